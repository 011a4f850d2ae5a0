#include "tests/nuevo_lab/arbol_copia.h"

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void copiar_arbol(const fs::path& raiz, const fs::path& destino) {
  fs::remove_all(destino);
  fs::create_directories(destino);
  for (const fs::directory_entry& e : fs::directory_iterator(raiz)) {
    const std::string nombre = e.path().filename().string();
    if (nombre == "build" || nombre == ".git" || nombre.starts_with(".lab-new.")) {
      continue;
    }
    fs::copy(e.path(), destino / nombre, fs::copy_options::recursive);
  }
}

namespace {

std::string leer(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

}  // namespace

std::map<std::string, std::string> foto(const fs::path& raiz) {
  std::map<std::string, std::string> todo;
  for (auto it = fs::recursive_directory_iterator(raiz); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string relativa = fs::relative(it->path(), raiz).string();
    if (relativa == "build") {
      it.disable_recursion_pending();
      continue;
    }
    todo[relativa] = it->is_regular_file() ? leer(it->path()) : "<dir>";
  }
  return todo;
}

ResultadoProceso en(const fs::path& carpeta, const std::string& orden) {
  return ejecutar_programa(
      {"/bin/sh", "-c", "cd '" + carpeta.string() + "' && CMAKE_BUILD_PARALLEL_LEVEL=2 " + orden});
}

std::string todo(const ResultadoProceso& r) { return r.salida + r.errores; }
