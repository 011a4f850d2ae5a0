// Scratch copies of the tree for tests that run ./lab in it as a user would.
#ifndef TESTS_NUEVO_LAB_ARBOL_COPIA_H
#define TESTS_NUEVO_LAB_ARBOL_COPIA_H

#include <filesystem>
#include <map>
#include <string>

#include "tests/routines/proceso.h"

// The tree at `raiz` as the user has it, uncommitted edits included, copied
// to `destino` (emptied first); build/ and the repository stay behind.
void copiar_arbol(const std::filesystem::path& raiz, const std::filesystem::path& destino);

// Every path under `raiz` but build/, with the contents of its files.
std::map<std::string, std::string> foto(const std::filesystem::path& raiz);

// A shell command run in `carpeta`; builds are limited to two jobs so that
// the other tests CTest runs meanwhile still get the machine.
ResultadoProceso en(const std::filesystem::path& carpeta, const std::string& orden);

// Standard output then standard error, for failure messages.
std::string todo(const ResultadoProceso& r);

#endif
