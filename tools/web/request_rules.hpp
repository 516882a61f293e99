#ifndef ORVANE_H26X_MSGS_TOOLS__WEB__REQUEST_RULES_HPP_
#define ORVANE_H26X_MSGS_TOOLS__WEB__REQUEST_RULES_HPP_

// What the viewer's server answers to a request, decided apart from the
// sockets (and fuzzed so): which page file, whether the token and the
// WebSocket's Origin are right, and the limits every request is held to.
// The page's files are read into memory when the server starts, so no
// request can name a file outside them.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace web
{

// Every request is held to these; a request over them gets 431 or 400.
constexpr std::size_t kMaxHeaderBytes = 8192;  // request line and fields
constexpr std::size_t kMaxFields = 48;
constexpr std::size_t kMaxTargetBytes = 2048;
// A message a page sends on the WebSocket ("subscribe 3").
constexpr std::size_t kMaxClientMessage = 256;

struct PageFile
{
  std::string type;  // Content-Type
  std::shared_ptr<const std::string> body;
};

// The page's files by URL path ("/index.html"), "/" being index.html.
using PageFiles = std::map<std::string, PageFile>;

// Reads the regular files directly in `folder` (not its subfolders, no
// symbolic links) into memory. Throws when the folder has no index.html.
PageFiles read_page_files(const std::string & folder);

struct Policy
{
  std::string token;  // empty: none asked
  bool loopback = true;  // bound to a loopback address
  uint16_t port = 0;
};

// The parts of a request the rules read.
struct Request
{
  std::string method;
  std::string target;
  std::string host;
  std::string origin;
  std::string authorization;  // "Bearer SECRET"
  bool websocket = false;  // an Upgrade: websocket request
  std::size_t fields = 0;
};

struct Answer
{
  int status = 400;
  std::string reason;  // a short text body for errors
  const PageFile * file = nullptr;  // 200 with this file
  bool open_websocket = false;  // 101: the request upgrades
};

// The answer to a request that parsed.
Answer answer(const Request & request, const Policy & policy, const PageFiles & files);

// The target's path, percent-decoded; false when it is not a plain path:
// no "..", no encoded "/" or "\", no NUL, no control characters.
bool decode_path(const std::string & target, std::string & path);
// A query parameter's value, percent-decoded ("" when absent).
std::string query_value(const std::string & target, const std::string & name);
// Compares without leaking where the first difference is.
bool same_secret(const std::string & a, const std::string & b);
// Whether `host` ("127.0.0.1:8080", "localhost:8080", "[::1]:8080") names
// this machine's loopback on `port`: a page reached by another name (DNS
// rebinding) is refused.
bool loopback_host(const std::string & host, uint16_t port);

}  // namespace web

#endif  // ORVANE_H26X_MSGS_TOOLS__WEB__REQUEST_RULES_HPP_
