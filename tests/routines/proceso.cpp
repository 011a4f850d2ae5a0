#include "proceso.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <system_error>
#include <vector>

extern char** environ;

namespace {

struct Tubo {
  int lectura = -1;
  int escritura = -1;
  Tubo() {
    int extremos[2];
    if (pipe(extremos) != 0) {
      throw std::system_error(errno, std::generic_category(), "pipe");
    }
    lectura = extremos[0];
    escritura = extremos[1];
  }
  ~Tubo() {
    cerrar(lectura);
    cerrar(escritura);
  }
  static void cerrar(int& fd) {
    if (fd >= 0) {
      close(fd);
      fd = -1;
    }
  }
};

std::string leer_todo(int fd) {
  std::string texto;
  std::array<char, 4096> bloque;
  for (;;) {
    ssize_t leidos = read(fd, bloque.data(), bloque.size());
    if (leidos > 0) {
      texto.append(bloque.data(), static_cast<size_t>(leidos));
    } else if (leidos == 0 || errno != EINTR) {
      return texto;
    }
  }
}

void escribir_todo(int fd, const std::string& texto) {
  size_t escritos = 0;
  while (escritos < texto.size()) {
    ssize_t n = write(fd, texto.data() + escritos, texto.size() - escritos);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;  // the program closed its input early; what it printed still counts
    }
    escritos += static_cast<size_t>(n);
  }
}

}  // namespace

ResultadoProceso ejecutar_programa(const std::string& programa, const std::string& entrada) {
  return ejecutar_programa(std::vector<std::string>{programa}, entrada);
}

ResultadoProceso ejecutar_programa(const std::vector<std::string>& orden,
                                   const std::string& entrada, SalidaEstandar destino) {
  if (orden.empty()) throw std::invalid_argument("ejecutar_programa: no program");
  const std::string& programa = orden.front();
  // A program that stops reading must not kill the test with SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  Tubo tubo_entrada, tubo_salida, tubo_errores;
  posix_spawn_file_actions_t acciones;
  posix_spawn_file_actions_init(&acciones);
  posix_spawn_file_actions_adddup2(&acciones, tubo_entrada.lectura, STDIN_FILENO);
  switch (destino) {
    case SalidaEstandar::Tubo:
      posix_spawn_file_actions_adddup2(&acciones, tubo_salida.escritura, STDOUT_FILENO);
      break;
    case SalidaEstandar::Llena:
      posix_spawn_file_actions_addopen(&acciones, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
      break;
    case SalidaEstandar::Cerrada:
      posix_spawn_file_actions_addclose(&acciones, STDOUT_FILENO);
      break;
  }
  posix_spawn_file_actions_adddup2(&acciones, tubo_errores.escritura, STDERR_FILENO);
  for (int fd : {tubo_entrada.escritura, tubo_salida.lectura, tubo_errores.lectura}) {
    posix_spawn_file_actions_addclose(&acciones, fd);
  }
  std::vector<char*> argv;
  for (const std::string& a : orden) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int error = posix_spawn(&pid, programa.c_str(), &acciones, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&acciones);
  if (error != 0) {
    throw std::system_error(error, std::generic_category(), "posix_spawn " + programa);
  }
  Tubo::cerrar(tubo_entrada.lectura);
  Tubo::cerrar(tubo_salida.escritura);
  Tubo::cerrar(tubo_errores.escritura);

  // The programs print a few lines at most, far below a pipe's capacity, so
  // reading one stream to its end before the other cannot block.
  escribir_todo(tubo_entrada.escritura, entrada);
  Tubo::cerrar(tubo_entrada.escritura);
  ResultadoProceso resultado;
  resultado.salida = leer_todo(tubo_salida.lectura);
  resultado.errores = leer_todo(tubo_errores.lectura);

  int estado = 0;
  while (waitpid(pid, &estado, 0) < 0 && errno == EINTR) {
  }
  resultado.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return resultado;
}
