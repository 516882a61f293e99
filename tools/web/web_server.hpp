#ifndef ORVANE_H26X_MSGS_TOOLS__WEB__WEB_SERVER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__WEB__WEB_SERVER_HPP_

// The viewer's HTTP and WebSocket server, on Boost.Beast and Asio, in a
// thread of its own: the page's files from memory, and on /ws each viewer's
// frames from the hub. Nothing a browser does (a closed tab, a socket that
// stops reading, a flood of connections, a malformed request) reaches the
// topics' side: viewers only take from their own bounded queues.

#include <cstdint>
#include <memory>
#include <string>

#include "web/frame_hub.hpp"
#include "web/request_rules.hpp"

namespace web
{

// Connections at once (page requests and viewers); more are answered 503.
constexpr std::size_t kMaxConnections = 64;

class WebServer
{
public:
  struct Settings
  {
    std::string address = "127.0.0.1";
    uint16_t port = 8080;  // 0: any free port
    std::string token;  // empty: none asked
    PageFiles files;
  };
  // Binds at once (a port in use is an error here, not later).
  WebServer(Settings settings, FrameHub & hub);
  ~WebServer();
  struct State;
  WebServer(const WebServer &) = delete;
  WebServer & operator=(const WebServer &) = delete;

  uint16_t port() const;
  // Requests answered with an error (400, 401, 403, 404, 405, 431, 503).
  uint64_t refused() const;

private:
  std::unique_ptr<State> state_;
};

}  // namespace web

#endif  // ORVANE_H26X_MSGS_TOOLS__WEB__WEB_SERVER_HPP_
