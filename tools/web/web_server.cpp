#include "web/web_server.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

namespace web
{
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace websocket = boost::beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;

// The sessions refer to it: it outlives them, since they live in its
// io_context's handlers, which go with it.
struct WebServer::State
{
  State(Settings given, FrameHub & hub)
  : settings(std::move(given)), hub(hub), acceptor(io), announcer(io) {}

  void accept();
  void announce();

  Settings settings;
  Policy policy;
  FrameHub & hub;
  std::atomic<std::size_t> connections{0};
  std::atomic<uint64_t> refused{0};
  net::io_context io{1};
  tcp::acceptor acceptor;
  net::steady_timer announcer;
  std::thread thread;
};

namespace
{

// Frame messages a page may have on its way, not yet handled, a stream it
// watches: about half a second at 30 frames/s.
constexpr uint64_t kUnacknowledgedPerStream = 16;

// Counts a connection for as long as it lives.
class Counted
{
public:
  explicit Counted(std::atomic<std::size_t> & count) : count_(count) {++count_;}
  ~Counted() {--count_;}
  Counted(const Counted &) = delete;
  Counted & operator=(const Counted &) = delete;

private:
  std::atomic<std::size_t> & count_;
};

template<class Message>
void secure_headers(Message & message)
{
  message.set(http::field::server, "h26x_web");
  message.set(http::field::cache_control, "no-store");
  message.set("X-Content-Type-Options", "nosniff");
  message.set("X-Frame-Options", "DENY");
  // The token may be in the page's address: never sent on to anyone.
  message.set("Referrer-Policy", "no-referrer");
  message.set("Content-Security-Policy",
    "default-src 'self'; img-src 'self' blob: data:; connect-src 'self'; object-src 'none'; base-uri 'none'");
}

class ViewerSession : public std::enable_shared_from_this<ViewerSession>
{
public:
  ViewerSession(tcp::socket socket, WebServer::State & state)
  : state_(state), counted_(state.connections), socket_(std::move(socket)) {}

  ~ViewerSession() {finish();}

  void run(http::request<http::empty_body> request)
  {
    socket_.set_option(websocket::stream_base::timeout{
        std::chrono::seconds(10), std::chrono::seconds(10), true});
    socket_.read_message_max(kMaxClientMessage);
    socket_.set_option(websocket::stream_base::decorator([](websocket::response_type & response) {
        response.set(http::field::server, "h26x_web");
      }));
    socket_.async_accept(request, [self = shared_from_this()](beast::error_code error) {
        self->accepted(error);
      });
  }

private:
  void accepted(beast::error_code error)
  {
    if (error) {
      return;
    }
    std::weak_ptr<ViewerSession> weak = shared_from_this();
    net::io_context & io = state_.io;
    viewer_ = state_.hub.join([weak, &io] {
          net::post(io, [weak] {
            if (auto self = weak.lock()) {
              self->pump();
            }
          });
        });
    if (!viewer_) {
      ++state_.refused;
      socket_.async_close(websocket::close_reason(websocket::close_code::try_again_later, "too many viewers"),
        [self = shared_from_this()](beast::error_code) {});
      return;
    }
    state_.hub.announce();
    read();
  }

  void read()
  {
    buffer_.clear();
    socket_.async_read(buffer_, [self = shared_from_this()](beast::error_code error, std::size_t) {
        self->got(error);
      });
  }

  // "subscribe N", "unsubscribe N", "ack N" (N frame messages handled so
  // far); anything else is ignored.
  void got(beast::error_code error)
  {
    if (error) {
      finish();
      return;
    }
    const std::string text = beast::buffers_to_string(buffer_.data());
    const auto space = text.find(' ');
    const std::string verb = text.substr(0, space);
    char * end = nullptr;
    const unsigned long long number =
      space == std::string::npos ? 0 : std::strtoull(text.c_str() + space + 1, &end, 10);
    const bool whole = end != nullptr && end != text.c_str() + space + 1 && *end == '\0';
    if (whole && verb == "ack") {
      acknowledged_ = std::max<uint64_t>(acknowledged_, std::min<uint64_t>(number, sent_));
    } else if (whole && number > 0 && number <= kMaxStreams) {
      if (verb == "subscribe") {
        watching_ += state_.hub.subscribe(*viewer_, static_cast<uint32_t>(number));
      } else if (verb == "unsubscribe") {
        watching_ -= state_.hub.unsubscribe(*viewer_, static_cast<uint32_t>(number));
      }
    }
    pump();
    read();
  }

  // A page that has not handled kUnacknowledgedPerStream frames a stream it
  // watches gets no more for now:
  // the browser would queue them without bound before the page sees them.
  // They wait in the hub instead, whose bound skips the page to a key frame.
  void pump()
  {
    if (writing_ || finished_ || !viewer_ ||
      sent_ - acknowledged_ >= kUnacknowledgedPerStream * std::max<std::size_t>(1, watching_) ||
      !state_.hub.next(*viewer_, out_))
    {
      return;
    }
    writing_ = true;
    sent_ += out_.text.empty();
    auto done = [self = shared_from_this()](beast::error_code error, std::size_t) {
        self->writing_ = false;
        if (error) {
          self->finish();
          return;
        }
        self->pump();
      };
    if (!out_.text.empty()) {
      socket_.text(true);
      socket_.async_write(net::buffer(out_.text), done);
    } else {
      socket_.binary(true);
      const std::array<net::const_buffer, 2> message{net::buffer(out_.header), net::buffer(*out_.data)};
      socket_.async_write(message, done);
    }
  }

  void finish()
  {
    if (!finished_) {
      finished_ = true;
      if (viewer_) {
        state_.hub.leave(viewer_);
      }
    }
  }

  WebServer::State & state_;
  Counted counted_;
  websocket::stream<beast::tcp_stream> socket_;
  beast::flat_buffer buffer_;
  std::shared_ptr<FrameHub::Viewer> viewer_;
  Outgoing out_;
  std::size_t watching_ = 0;  // streams subscribed to
  uint64_t sent_ = 0;  // frame messages written
  uint64_t acknowledged_ = 0;  // of them, handled by the page
  bool writing_ = false;
  bool finished_ = false;
};

class PageSession : public std::enable_shared_from_this<PageSession>
{
public:
  PageSession(tcp::socket socket, WebServer::State & state)
  : state_(state), counted_(state.connections), stream_(std::move(socket)), buffer_(kMaxHeaderBytes) {}

  void run(bool busy)
  {
    busy_ = busy;
    read();
  }

private:
  void read()
  {
    parser_.emplace();
    parser_->header_limit(kMaxHeaderBytes);
    parser_->body_limit(0);
    stream_.expires_after(std::chrono::seconds(15));
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code error, std::size_t) {
        self->got(error);
      });
  }

  void got(beast::error_code error)
  {
    if (error == http::error::end_of_stream || error == beast::error::timeout || error == net::error::eof) {
      close();
      return;
    }
    if (error == http::error::header_limit || error == http::error::buffer_overflow) {
      refuse(431, "request too large");
      return;
    }
    if (error) {
      refuse(400, "malformed request");
      return;
    }
    if (busy_) {
      refuse(503, "too many connections");
      return;
    }
    const auto & message = parser_->get();
    Request request;
    request.method = std::string(message.method_string());
    request.target = std::string(message.target());
    request.host = std::string(message[http::field::host]);
    request.origin = std::string(message[http::field::origin]);
    request.authorization = std::string(message[http::field::authorization]);
    request.websocket = websocket::is_upgrade(message);
    request.fields = static_cast<std::size_t>(std::distance(message.begin(), message.end()));
    const Answer answer = web::answer(request, state_.policy, state_.settings.files);
    if (answer.open_websocket) {
      stream_.expires_never();
      std::make_shared<ViewerSession>(stream_.release_socket(), state_)->run(parser_->release());
      return;
    }
    if (answer.file == nullptr) {
      refuse(answer.status, answer.reason);
      return;
    }
    auto response = std::make_shared<http::response<http::string_body>>(http::status::ok, message.version());
    secure_headers(*response);
    response->set(http::field::content_type, answer.file->type);
    if (request.method == "HEAD") {
      response->content_length(answer.file->body->size());
    } else {
      response->body() = *answer.file->body;
      response->prepare_payload();
    }
    response->keep_alive(message.keep_alive());
    send(response, message.keep_alive());
  }

  void refuse(int status, const std::string & reason)
  {
    ++state_.refused;
    auto response = std::make_shared<http::response<http::string_body>>(static_cast<http::status>(status), 11);
    secure_headers(*response);
    response->set(http::field::content_type, "text/plain; charset=utf-8");
    response->body() = reason + "\n";
    response->keep_alive(false);
    response->prepare_payload();
    send(response, false);
  }

  void send(std::shared_ptr<http::response<http::string_body>> response, bool keep_alive)
  {
    stream_.expires_after(std::chrono::seconds(15));
    http::async_write(stream_, *response,
      [self = shared_from_this(), response, keep_alive](beast::error_code error, std::size_t) {
        if (error || !keep_alive) {
          self->close();
          return;
        }
        self->read();
      });
  }

  void close()
  {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.close();
  }

  WebServer::State & state_;
  Counted counted_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  bool busy_ = false;
};

}  // namespace

void WebServer::State::accept()
{
  acceptor.async_accept([self = this](beast::error_code error, tcp::socket socket) {
      if (!error) {
        const bool busy = self->connections.load() >= kMaxConnections;
        std::make_shared<PageSession>(std::move(socket), *self)->run(busy);
      }
      if (self->acceptor.is_open()) {
        self->accept();
      }
    });
}

void WebServer::State::announce()
{
  hub.announce();
  announcer.expires_after(std::chrono::seconds(1));
  announcer.async_wait([self = this](beast::error_code error) {
      if (!error) {
        self->announce();
      }
    });
}

WebServer::WebServer(Settings settings, FrameHub & hub)
: state_(std::make_unique<State>(std::move(settings), hub))
{
  State & state = *state_;
  const auto address = net::ip::make_address(state.settings.address);
  const tcp::endpoint endpoint(address, state.settings.port);
  state.acceptor.open(endpoint.protocol());
  state.acceptor.set_option(net::socket_base::reuse_address(true));
  state.acceptor.bind(endpoint);
  state.acceptor.listen(net::socket_base::max_listen_connections);
  state.policy.token = state.settings.token;
  state.policy.loopback = address.is_loopback();
  state.policy.port = state.acceptor.local_endpoint().port();
  state.accept();
  state.announce();
  state.thread = std::thread([&state] {state.io.run();});
}

WebServer::~WebServer()
{
  state_->io.stop();
  state_->thread.join();
}

uint16_t WebServer::port() const
{
  return state_->policy.port;
}

uint64_t WebServer::refused() const
{
  return state_->refused.load();
}

}  // namespace web
