// The live board's web server: the embedded page, an HTTP API and one
// WebSocket feed per page, on one network thread (the caller's, in run()).
//
// Safety: requests must name this server in Host (a web page elsewhere
// reaching it through DNS rebinding names its own host) and, when they carry
// an Origin, come from this server's own origin; POST bodies must be JSON
// (so a foreign page cannot post without a preflight it would fail).
// Headers, bodies and WebSocket messages have size limits.
#ifndef SIM_WEB_SERVER_H
#define SIM_WEB_SERVER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sim/web/live_board.h"

namespace sim::web {

struct Asset {
  const char* path;  // "/index.html"
  const unsigned char* data;
  std::size_t size;
};

class WebServer final : public LiveListener {
 public:
  // `record` renders the session's logic-analyzer record (run on the
  // board's thread); nothing when there is none.
  WebServer(LiveBoard& board, std::function<std::string(Simulador&)> record);
  ~WebServer() override;

  // Binds and listens; port 0 takes a free one. Returns the port. Throws
  // std::runtime_error when it cannot.
  std::uint16_t listen(const std::string& host, std::uint16_t port);
  // Serves until SIGINT or SIGTERM (or stop()); then closes every connection.
  void run();
  void stop();

  // LiveListener (called on the board's thread).
  void on_status(const Status& status) override;
  void on_pins(const std::vector<OutputChange>& changes) override;
  void on_uart0(const std::string& bytes) override;
  void on_lcd(const LcdUpdate& update) override;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The page's files, built into the program.
extern const Asset kAssets[];
extern const std::size_t kAssetCount;

}  // namespace sim::web

#endif
