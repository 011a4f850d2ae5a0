// Runs a built program as a child process, as a user would from a shell.
#ifndef TESTS_ROUTINES_PROCESO_H
#define TESTS_ROUTINES_PROCESO_H

#include <string>
#include <vector>

struct ResultadoProceso {
  std::string salida;   // every byte written to standard output
  std::string errores;  // every byte written to standard error
  int estado = -1;      // exit status, or -1 when the program did not exit normally
};

// Where the program's standard output goes: the pipe read into salida, the
// device on which every write fails for lack of space, or nowhere at all.
enum class SalidaEstandar { Tubo, Llena, Cerrada };

// Starts programa without arguments, feeds entrada on its standard input,
// closes it and waits for the program to finish.
ResultadoProceso ejecutar_programa(const std::string& programa, const std::string& entrada = "");
// The same with a whole command line: orden[0] is the program, the rest its arguments.
ResultadoProceso ejecutar_programa(const std::vector<std::string>& orden,
                                   const std::string& entrada = "",
                                   SalidaEstandar destino = SalidaEstandar::Tubo);

#endif
