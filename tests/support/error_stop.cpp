#include "error_stop.h"

#include "error.h"

ErrorStop::ErrorStop(std::string file_, std::string function_, int line_, std::string message_)
    : std::runtime_error(file_ + ":" + std::to_string(line_) + " " + function_ + ": " + message_),
      file(std::move(file_)),
      function(std::move(function_)),
      line(line_),
      message(std::move(message_)) {}

extern "C" void parar_con_error(const char* fichero, const char* funcion, int linea,
                                const char* mensaje) {
  throw ErrorStop(fichero, funcion, linea, mensaje);
}
