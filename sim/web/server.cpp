#include "sim/web/server.h"

// Boost 1.74's asio uses std::exchange without including it under C++20.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <deque>
#include <set>
#include <stdexcept>
#include <string_view>

#include "sim/api/png_writer.h"
#include "sim/web/requests.h"

namespace sim::web {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using nlohmann::json;

namespace {

constexpr std::size_t kMaxHeader = 8 * 1024;
constexpr std::size_t kMaxBody = 16 * 1024;
constexpr std::size_t kMaxWsMessage = 4 * 1024;
// A page that cannot keep up loses its feed (it reconnects and gets a
// whole frame) rather than making the server hold an ever longer queue.
constexpr std::size_t kMaxQueued = 256;
constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr std::size_t kMaxDrain = 8 * 1024 * 1024;

json status_json(const Status& s) {
  json leds = json::object();
  for (unsigned i = 0; i < 4; ++i) leds[std::to_string(i + 1)] = s.leds[i];
  json pins = json::object();
  for (const auto& [pin, level] : s.pins) pins[pin.name()] = level ? 1 : 0;
  json adc = json::array();
  for (unsigned ch = 0; ch < s.adc.size(); ++ch) {
    adc.push_back({{"channel", ch},
                   {"volts", s.adc[ch].volts},
                   {"celsius", s.adc[ch].celsius ? json(*s.adc[ch].celsius) : json(nullptr)}});
  }
  return {{"time", s.time},
          {"running", s.running},
          {"speed", s.speed ? json(*s.speed) : json("max")},
          {"real_speed", s.real_speed},
          {"leds", leds},
          {"pins", pins},
          {"adc", adc},
          {"run", {{"state", s.run_state}, {"message", latin1_to_utf8(s.message)}}}};
}

json board_json(const LiveBoard& board) {
  json buttons = json::array();
  for (const Control& c : board.controls()) {
    buttons.push_back({{"pin", c.pin.name()}, {"label", c.label}, {"key", c.key}});
  }
  json leds = json::array();
  const char* pins[] = {"P1.18", "P0.13", "P1.13", "P2.19"};
  for (unsigned i = 0; i < 4; ++i) leds.push_back({{"led", i + 1}, {"pin", pins[i]}});
  return {{"image", board.image().filename().string()},
          {"lcd", {{"width", Frame::kWidth}, {"height", Frame::kHeight}}},
          {"buttons", buttons},
          {"leds", leds},
          {"adc_channels", LiveBoard::kAdcChannels}};
}

std::string lcd_message(const LcdUpdate& u) {
  std::string m(8 + u.pixels.size() * 2, '\0');
  auto put16 = [&](std::size_t at, unsigned v) {
    m[at] = static_cast<char>(v & 0xFF);
    m[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  put16(0, u.first_row);
  put16(2, u.rows);
  put16(4, Frame::kWidth);
  put16(6, u.on ? 1 : 0);
  for (std::size_t i = 0; i < u.pixels.size(); ++i) put16(8 + 2 * i, u.pixels[i]);
  return m;
}

const char* content_type(std::string_view path) {
  auto ends = [&](std::string_view e) {
    return path.size() >= e.size() && path.substr(path.size() - e.size()) == e;
  };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".css")) return "text/css; charset=utf-8";
  if (ends(".js")) return "text/javascript; charset=utf-8";
  if (ends(".png")) return "image/png";
  if (ends(".svg")) return "image/svg+xml";
  if (ends(".ico")) return "image/x-icon";
  return "application/octet-stream";
}

std::string text(beast::string_view s) { return std::string(s.data(), s.size()); }

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// An address literal cannot be a rebinding attacker's name.
bool ip_literal(std::string_view host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') return true;
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.';
  });
}

}  // namespace

class Session;

struct WebServer::Impl {
  LiveBoard& board;
  std::function<std::string(Simulador&)> record;
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  asio::signal_set signals{io};
  std::string bind_host;
  std::uint16_t port = 0;
  std::set<std::shared_ptr<class Feed>> feeds;  // network thread only
  std::atomic<bool> stopping{false};

  Impl(LiveBoard& b, std::function<std::string(Simulador&)> r) : board(b), record(std::move(r)) {}

  bool host_allowed(std::string_view host_header) const;
  bool origin_allowed(std::string_view origin, std::string_view host_header) const;
  void accept();
  void broadcast(std::shared_ptr<const std::string> message, bool binary);
};

// One page's WebSocket: the server only sends; what the page sends is read
// and dropped (it keeps the connection's close handshake working).
class Feed : public std::enable_shared_from_this<Feed> {
 public:
  Feed(WebServer::Impl& server, tcp::socket socket) : server_(server), ws_(std::move(socket)) {}

  void start(http::request<http::string_body> request) {
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.read_message_max(kMaxWsMessage);
    ws_.auto_fragment(false);  // a frame is one message: less work for both ends
    auto self = shared_from_this();
    ws_.async_accept(request, [self](beast::error_code ec) {
      if (ec) return;
      self->server_.feeds.insert(self);
      json b = board_json(self->server_.board);
      b["type"] = "board";
      self->send(std::make_shared<const std::string>(b.dump()), false);
      LcdUpdate whole;
      if (const auto frame = self->server_.board.frame()) {
        whole.on = true;
        whole.rows = Frame::kHeight;
        whole.pixels = frame->pixels;
      }
      self->send(std::make_shared<const std::string>(lcd_message(whole)), true);
      json st = status_json(self->server_.board.status());
      st["type"] = "state";
      self->send(std::make_shared<const std::string>(st.dump()), false);
      self->read();
    });
  }

  void send(std::shared_ptr<const std::string> message, bool binary) {
    if (closed_) return;
    if (queue_.size() >= kMaxQueued) {
      close();
      return;
    }
    queue_.push_back({std::move(message), binary});
    if (queue_.size() == 1) write();
  }

  void close() {
    if (closed_) return;
    closed_ = true;
    server_.feeds.erase(shared_from_this());
    auto self = shared_from_this();
    ws_.async_close(websocket::close_code::going_away, [self](beast::error_code) {});
  }

 private:
  void read() {
    auto self = shared_from_this();
    ws_.async_read(in_, [self](beast::error_code ec, std::size_t) {
      self->in_.consume(self->in_.size());
      if (ec) {
        self->closed_ = true;
        self->server_.feeds.erase(self);
        return;
      }
      self->read();
    });
  }

  void write() {
    auto self = shared_from_this();
    ws_.binary(queue_.front().binary);
    ws_.async_write(asio::buffer(*queue_.front().text),
                    [self](beast::error_code ec, std::size_t) {
                      if (ec) {
                        self->closed_ = true;
                        self->server_.feeds.erase(self);
                        self->queue_.clear();
                        return;
                      }
                      self->queue_.pop_front();
                      if (!self->queue_.empty() && !self->closed_) self->write();
                    });
  }

  struct Out {
    std::shared_ptr<const std::string> text;
    bool binary;
  };
  WebServer::Impl& server_;
  websocket::stream<beast::tcp_stream> ws_;
  beast::flat_buffer in_;
  std::deque<Out> queue_;
  bool closed_ = false;
};

namespace {

// One HTTP connection: requests in turn, keep-alive, then perhaps a feed.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(WebServer::Impl& server, tcp::socket socket)
      : server_(server), stream_(std::move(socket)) {}

  void read() {
    parser_.emplace();
    parser_->header_limit(kMaxHeader);
    parser_->body_limit(kMaxBody);
    stream_.expires_after(kIdleTimeout);
    auto self = shared_from_this();
    http::async_read(stream_, buffer_, *parser_, [self](beast::error_code ec, std::size_t) {
      if (ec == http::error::body_limit || ec == http::error::header_limit) {
        self->reply_error(ec == http::error::body_limit ? http::status::payload_too_large
                                                         : http::status::request_header_fields_too_large,
                          "the request is too large", false);
        return;
      }
      if (ec) return;
      self->handle(self->parser_->release());
    });
  }

 private:
  using Request = http::request<http::string_body>;

  void handle(Request req) {
    const std::string host = text(req[http::field::host]);
    if (!server_.host_allowed(host)) {
      return reply_error(http::status::forbidden, "this server answers only to its own address",
                         false);
    }
    if (req.count(http::field::origin) &&
        !server_.origin_allowed(text(req[http::field::origin]), host)) {
      return reply_error(http::status::forbidden, "requests from other sites are refused", false);
    }
    keep_alive_ = req.keep_alive();
    const std::string target = text(req.target());
    if (websocket::is_upgrade(req)) {
      if (target != "/ws") return reply_error(http::status::not_found, "no such feed", false);
      stream_.expires_never();
      std::make_shared<Feed>(server_, stream_.release_socket())->start(std::move(req));
      return;
    }
    try {
      route(req, target);
    } catch (const RequestError& e) {
      reply_error(http::status::bad_request, e.what(), keep_alive_);
    } catch (const std::invalid_argument& e) {
      reply_error(http::status::bad_request, e.what(), keep_alive_);
    } catch (const std::exception& e) {
      reply_error(http::status::internal_server_error, e.what(), keep_alive_);
    }
  }

  void route(const Request& req, const std::string& target) {
    const bool get = req.method() == http::verb::get || req.method() == http::verb::head;
    const bool post = req.method() == http::verb::post;
    auto only = [&](bool ok, const char* allowed) {
      if (ok) return true;
      reply_error(http::status::method_not_allowed, std::string("use ") + allowed, keep_alive_,
                  allowed);
      return false;
    };
    if (target == "/api/state") {
      if (only(get, "GET")) reply_json(http::status::ok, status_json(server_.board.status()));
    } else if (target == "/api/board") {
      if (only(get, "GET")) reply_json(http::status::ok, board_json(server_.board));
    } else if (target == "/api/lcd.png") {
      if (!only(get, "GET")) return;
      const auto frame = server_.board.frame();
      if (!frame) return reply_error(http::status::conflict, "the LCD is off", keep_alive_);
      reply(http::status::ok, encode_png(*frame), "image/png");
    } else if (target == "/api/record.vcd") {
      if (!only(get, "GET")) return;
      if (!server_.record) {
        return reply_error(http::status::not_found, "no record is kept", keep_alive_);
      }
      auto render = server_.record;
      reply(http::status::ok, server_.board.on_board([render](Simulador& s) { return render(s); }),
            "text/plain; charset=utf-8", "attachment; filename=\"placa.vcd\"");
    } else if (target == "/api/input" || target == "/api/control") {
      if (!only(post, "POST")) return;
      const std::string type = lower(text(req[http::field::content_type]));
      if (type.rfind("application/json", 0) != 0) {
        return reply_error(http::status::unsupported_media_type,
                           "send the body as application/json", keep_alive_);
      }
      if (target == "/api/input") {
        input(parse_input(req.body()));
      } else if (!control(parse_control(req.body()))) {
        return reply_error(http::status::conflict, "pause the board before stepping it",
                           keep_alive_);
      }
      reply_json(http::status::ok, {{"ok", true}});
    } else {
      const std::string path = target == "/" ? "/index.html" : target;
      for (std::size_t i = 0; i < kAssetCount; ++i) {
        if (path == kAssets[i].path) {
          if (!only(get, "GET")) return;
          return reply(http::status::ok,
                       std::string(reinterpret_cast<const char*>(kAssets[i].data), kAssets[i].size),
                       content_type(path));
        }
      }
      reply_error(http::status::not_found, "no such page", keep_alive_);
    }
  }

  void input(const Input& in) {
    LiveBoard& b = server_.board;
    if (const auto* p = std::get_if<PressInput>(&in)) b.press(p->pin, p->down);
    if (const auto* l = std::get_if<LevelInput>(&in)) b.set_level(l->pin, l->level);
    if (const auto* a = std::get_if<AdcInput>(&in)) b.set_adc(a->channel, a->volts);
    if (const auto* u = std::get_if<UartInput>(&in)) b.send_uart0(u->bytes);
  }

  bool control(const ControlRequest& c) {
    LiveBoard& b = server_.board;
    switch (c.action) {
      case ControlRequest::Action::Pause: b.pause(); return true;
      case ControlRequest::Action::Resume: b.resume(); return true;
      case ControlRequest::Action::Step: return b.step(c.seconds);
      case ControlRequest::Action::Reset: b.reset(); return true;
      case ControlRequest::Action::Speed: b.set_speed(c.speed); return true;
    }
    return false;
  }

  void reply_json(http::status status, const json& body) {
    reply(status, body.dump(), "application/json");
  }

  void reply_error(http::status status, const std::string& message, bool keep_alive,
                   const char* allow = nullptr) {
    keep_alive_ = keep_alive;
    reply(status, json{{"error", message}}.dump(), "application/json", nullptr, allow);
  }

  void reply(http::status status, std::string body, const char* type,
             const char* disposition = nullptr, const char* allow = nullptr) {
    auto res = std::make_shared<http::response<http::string_body>>(status, 11);
    res->set(http::field::server, "lpc4088-sim");
    res->set(http::field::content_type, type);
    res->set(http::field::cache_control, "no-store");
    res->set("X-Content-Type-Options", "nosniff");
    res->set("X-Frame-Options", "DENY");
    if (disposition) res->set(http::field::content_disposition, disposition);
    if (allow) res->set(http::field::allow, allow);
    res->keep_alive(keep_alive_);
    res->body() = std::move(body);
    res->prepare_payload();
    auto self = shared_from_this();
    http::async_write(stream_, *res, [self, res](beast::error_code ec, std::size_t) {
      if (ec) return;
      if (!res->keep_alive()) {
        beast::error_code ignored;
        self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        self->drain(0);
        return;
      }
      self->read();
    });
  }

  // A client still sending a body that was refused would see its
  // connection reset before it reads the answer: what it sends is read and
  // dropped for a while, up to a limit, so it gets the answer.
  void drain(std::size_t so_far) {
    if (so_far > kMaxDrain) return;
    stream_.expires_after(std::chrono::seconds(2));
    auto self = shared_from_this();
    stream_.async_read_some(asio::buffer(scratch_), [self, so_far](beast::error_code ec,
                                                                    std::size_t n) {
      if (!ec) self->drain(so_far + n);
    });
  }

  WebServer::Impl& server_;
  std::array<char, 16 * 1024> scratch_{};
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_{kMaxHeader + kMaxBody};
  std::optional<http::request_parser<http::string_body>> parser_;
  bool keep_alive_ = false;
};

}  // namespace

bool WebServer::Impl::host_allowed(std::string_view header) const {
  const std::string suffix = ":" + std::to_string(port);
  if (header.size() <= suffix.size() || header.substr(header.size() - suffix.size()) != suffix) {
    return false;
  }
  const std::string name = lower(header.substr(0, header.size() - suffix.size()));
  if (name == "127.0.0.1" || name == "localhost" || name == "[::1]") return true;
  if (name == lower(bind_host) || "[" + lower(bind_host) + "]" == name) return true;
  // Listening on every address: reached by any of the machine's addresses.
  return (bind_host == "0.0.0.0" || bind_host == "::") && ip_literal(name);
}

bool WebServer::Impl::origin_allowed(std::string_view origin, std::string_view host) const {
  return lower(origin) == "http://" + lower(host);
}

void WebServer::Impl::accept() {
  acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (ec) {
      if (ec != asio::error::operation_aborted && acceptor.is_open()) accept();
      return;
    }
    std::make_shared<Connection>(*this, std::move(socket))->read();
    accept();
  });
}

void WebServer::Impl::broadcast(std::shared_ptr<const std::string> message, bool binary) {
  asio::post(io, [this, message, binary] {
    const auto copy = feeds;  // a send may close a feed
    for (const auto& f : copy) f->send(message, binary);
  });
}

WebServer::WebServer(LiveBoard& board, std::function<std::string(Simulador&)> record)
    : impl_(std::make_unique<Impl>(board, std::move(record))) {}

WebServer::~WebServer() = default;

std::uint16_t WebServer::listen(const std::string& host, std::uint16_t port) {
  Impl& s = *impl_;
  tcp::resolver resolver(s.io);
  beast::error_code ec;
  const auto found = resolver.resolve(host, std::to_string(port),
                                      tcp::resolver::numeric_service | tcp::resolver::passive, ec);
  if (ec || found.empty()) throw std::runtime_error("cannot resolve " + host + ": " + ec.message());
  const tcp::endpoint where = found.begin()->endpoint();
  s.acceptor.open(where.protocol(), ec);
  if (!ec) s.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) s.acceptor.bind(where, ec);
  if (!ec) s.acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) + ": " +
                             ec.message());
  }
  s.bind_host = host;
  s.port = s.acceptor.local_endpoint().port();
  return s.port;
}

void WebServer::run() {
  Impl& s = *impl_;
  s.signals.add(SIGINT);
  s.signals.add(SIGTERM);
  s.signals.async_wait([this](beast::error_code ec, int) {
    if (!ec) stop();
  });
  s.accept();
  s.io.run();
}

void WebServer::stop() {
  Impl& s = *impl_;
  asio::post(s.io, [&s] {
    if (s.stopping.exchange(true)) return;
    beast::error_code ignored;
    s.acceptor.close(ignored);
    s.signals.cancel(ignored);
    const auto feeds = s.feeds;
    for (const auto& f : feeds) f->close();
    // Whatever is still being written gets a moment, then the loop ends.
    auto timer = std::make_shared<asio::steady_timer>(s.io, std::chrono::milliseconds(200));
    timer->async_wait([&s, timer](beast::error_code) { s.io.stop(); });
  });
}

void WebServer::on_status(const Status& status) {
  json j = status_json(status);
  j["type"] = "state";
  impl_->broadcast(std::make_shared<const std::string>(j.dump()), false);
}

void WebServer::on_pins(const std::vector<OutputChange>& changes) {
  json list = json::array();
  for (const OutputChange& c : changes) {
    list.push_back({{"pin", c.pin.name()},
                    {"label", c.pin.label()},
                    {"level", c.level ? 1 : 0},
                    {"time", c.time}});
  }
  impl_->broadcast(std::make_shared<const std::string>(
                       json{{"type", "pins"}, {"changes", list}}.dump()),
                   false);
}

void WebServer::on_uart0(const std::string& bytes) {
  impl_->broadcast(std::make_shared<const std::string>(
                       json{{"type", "uart0"}, {"text", latin1_to_utf8(bytes)}}.dump()),
                   false);
}

void WebServer::on_lcd(const LcdUpdate& update) {
  impl_->broadcast(std::make_shared<const std::string>(lcd_message(update)), true);
}

}  // namespace sim::web
