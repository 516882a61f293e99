// Shows the live streams in a browser, without re-encoding: every topic of
// Compressed, MultiCompressed and raw Image on the domain, found as a ROS 2
// node finds them, served with one page (HTML, CSS, JavaScript) over HTTP
// and WebSocket. H.264 access units go to the browser as they came and are
// decoded there (WebCodecs); H.265 (which browsers mostly do not decode),
// raw images and originals go as JPEG pictures made here at a reduced rate.

#include <chrono>
#include <memory>

#include <boost/asio/ip/address.hpp>

#include "options.hpp"
#include "sinks/web_sink.hpp"
#include "sources/topic_source.hpp"
#include "web/web_server.hpp"

namespace
{
struct Options
{
  std::string bind = "127.0.0.1:8080";
  std::string token;
  bool no_token = false;
  std::string page = ORVANE_H26X_MSGS_WEB_DIR;
  double jpeg_rate = 5;
  double duration = 0;
  tools::StreamOptions stream;
};

// A topic source that goes on when its publishers end: new ones may come.
class Endless : public stream::Source
{
public:
  explicit Endless(std::unique_ptr<stream::Source> source) : source_(std::move(source)) {}
  bool next(stream::Moment & moment) override {return source_->next(moment);}
  std::string ending() const override {return source_->ending();}
  bool ends_at(const stream::Moment &) const override {return false;}

private:
  std::unique_ptr<stream::Source> source_;
};

void parse_bind(const std::string & bind, std::string & address, uint16_t & port)
{
  const auto colon = bind.rfind(':');
  char * end = nullptr;
  const unsigned long number = colon == std::string::npos ? 0 : std::strtoul(bind.c_str() + colon + 1, &end, 10);
  address = colon == std::string::npos ? "" : bind.substr(0, colon);
  if (address.size() > 2 && address.front() == '[' && address.back() == ']') {
    address = address.substr(1, address.size() - 2);
  }
  boost::system::error_code error;
  boost::asio::ip::make_address(address, error);
  if (error || end == nullptr || *end != '\0' || end == bind.c_str() + colon + 1 || number > 65535) {
    throw orvane_dds::UsageError("--bind '" + bind + "' is not ADDRESS:PORT (an IP address)");
  }
  port = static_cast<uint16_t>(number);
}

int serve(const Options & options)
{
  web::WebServer::Settings settings;
  parse_bind(options.bind, settings.address, settings.port);
  const bool loopback = boost::asio::ip::make_address(settings.address).is_loopback();
  if (!options.token.empty() && options.no_token) {
    throw orvane_dds::UsageError("give --token or --no-token, not both");
  }
  if (!loopback && options.token.empty() && !options.no_token) {
    throw orvane_dds::UsageError("--bind " + options.bind + " is reachable from other machines: give --token SECRET "
            "(or --no-token to serve the streams to anyone who can reach it)");
  }
  settings.token = options.token;
  settings.files = web::read_page_files(options.page);
  media::set_ffmpeg_log(options.stream.verbose);

  web::FrameHub hub;
  sources::TopicSource::Settings topics;
  topics.all_of = {sources::MessageType::COMPRESSED, sources::MessageType::MULTI_COMPRESSED,
    sources::MessageType::IMAGE, sources::MessageType::MULTI_IMAGE};
  topics.domain = options.stream.domain_id();
  topics.transport = options.stream.transport_kind();
  topics.idle_timeout = 0;
  topics.duration = options.duration;
  Endless source(std::make_unique<sources::TopicSource>(topics));
  sinks::WebSink sink(hub, options.jpeg_rate);
  web::WebServer server(settings, hub);
  std::string shown = settings.address.find(':') == std::string::npos ? settings.address : "[" + settings.address + "]";
  stream::note("serving http://" + shown + ":" + std::to_string(server.port()) + "/" +
    (options.token.empty() ? "" : "?token=...") + " (the page from " + options.page + ")");
  stream::stop_on_signals();
  stream::run(source, {&sink});
  sink.report();
  char line[160];
  std::snprintf(line, sizeof(line), "%llu frames skipped for viewers behind, %llu requests refused",
    static_cast<unsigned long long>(hub.skipped()), static_cast<unsigned long long>(server.refused()));
  stream::note(line);
  return 0;
}
}  // namespace

int main(int argc, char ** argv)
{
  Options options;
  CLI::App app{
    "Serves a page that shows the live streams of every Compressed, MultiCompressed and raw Image topic on the\n"
    "domain in a browser: H.264 as it came, decoded by the browser (WebCodecs); H.265, raw images and originals\n"
    "as JPEG pictures made here at a reduced rate. Open the address it prints.",
    "h26x_web"};
  app.add_option("--bind", options.bind, "ADDRESS:PORT to serve on (127.0.0.1:8080; port 0: any free one)");
  app.add_option("--token", options.token,
    "a secret every request must carry (?token=SECRET in the page's address, or Authorization: Bearer SECRET)");
  app.add_flag("--no-token", options.no_token, "serve a non-loopback --bind without a token");
  app.add_option("--page", options.page, "the page's folder (the installed one)");
  app.add_option("--jpeg-rate", options.jpeg_rate, "JPEG pictures a second a stream, at most (5)")
  ->check(CLI::Range(0.1, 120.0));
  app.add_option("--duration", options.duration, "seconds to serve (0: until Ctrl-C)")->check(CLI::Range(0.0, 1e9));
  options.stream.add_to(app, false);
  app.footer(
    "A new viewer gets each stream from its last key frame, so a picture shows at once. A viewer that falls\n"
    "behind is skipped to the next key frame (counted on its overlay); no viewer holds up the topics or another\n"
    "viewer. Only loopback unless --bind says otherwise, and then only with --token (or --no-token).");
  return tools::run_tool("h26x_web", app, argc, argv, [&] {return serve(options);});
}
