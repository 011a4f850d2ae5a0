// semillas_gdb FOLDER: writes what a debugger sends in a short session, one
// file per stage, as the packet fuzzer's starting corpus. The first two bytes
// of each are the fuzzer's split and packet limit.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim/gdb/packet.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: semillas_gdb CARPETA\n");
    return 2;
  }
  const std::vector<std::vector<std::string>> sesiones = {
      {"qSupported:multiprocess+;swbreak+;hwbreak+;qRelocInsn+", "vMustReplyEmpty",
       "QStartNoAckMode", "qXfer:features:read:target.xml:0,ffb", "?", "qAttached"},
      {"g", "p0f", "P0f=00010000", "m20000000,40", "M20000000,4:01020304",
       "X20000000,4:}\x03}\x04}]}\x0a"},
      {"Z0,8000100,2", "Z2,20000000,4", "vCont?", "vCont;c:1", "\x03", "z0,8000100,2"},
      {"qRcmd,7265736574", "s", "c", "D"},
  };
  int n = 0;
  for (const auto& sesion : sesiones) {
    std::string bytes = {static_cast<char>(n * 5), static_cast<char>(200)};
    for (const auto& paquete : sesion) {
      bytes += paquete == "\x03" ? paquete : sim::gdb::frame(paquete) + "+";
    }
    bytes += "$g#00-";  // a damaged packet, then a nak
    const std::string ruta = std::string(argv[1]) + "/semilla-gdb-" + std::to_string(n++);
    std::ofstream salida(ruta, std::ios::binary);
    salida << bytes;
    if (!salida.flush()) {
      std::fprintf(stderr, "semillas_gdb: no se pudo escribir %s\n", ruta.c_str());
      return 1;
    }
  }
  return 0;
}
