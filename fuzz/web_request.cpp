// The browser viewer's requests: any bytes through Boost.Beast's request
// parser held to the server's limits, and a request that parses through
// the rules that pick the answer (paths, token, Host, Origin).

#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "web/request_rules.hpp"

namespace http = boost::beast::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, std::size_t size)
{
  static const web::PageFiles files = [] {
      web::PageFiles page;
      auto body = std::make_shared<const std::string>("<!DOCTYPE html>");
      page["/"] = page["/index.html"] = web::PageFile{"text/html", body};
      return page;
    }();
  http::request_parser<http::empty_body> parser;
  parser.header_limit(web::kMaxHeaderBytes);
  parser.body_limit(0);
  parser.eager(true);
  boost::beast::error_code error;
  parser.put(boost::asio::buffer(data, size), error);
  if (error || !parser.is_header_done()) {
    return 0;
  }
  const auto & message = parser.get();
  web::Request request;
  request.method = std::string(message.method_string());
  request.target = std::string(message.target());
  request.host = std::string(message[http::field::host]);
  request.origin = std::string(message[http::field::origin]);
  request.authorization = std::string(message[http::field::authorization]);
  request.websocket = boost::beast::websocket::is_upgrade(message);
  request.fields = static_cast<std::size_t>(std::distance(message.begin(), message.end()));
  for (const bool loopback : {true, false}) {
    const web::Answer answer = web::answer(request, web::Policy{"secret", loopback, 8080}, files);
    if (answer.status == 200 && answer.file == nullptr) {
      __builtin_trap();  // a 200 always has its file
    }
    std::string path;
    if (answer.status == 200 && (!web::decode_path(request.target, path) || path.find("..") != std::string::npos)) {
      __builtin_trap();  // nothing served from outside the page
    }
  }
  return 0;
}
