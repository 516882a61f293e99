#ifndef ORVANE_H26X_MSGS_TOOLS__OPTIONS_HPP_
#define ORVANE_H26X_MSGS_TOOLS__OPTIONS_HPP_

// What every tool's command line shares, on CLI11: the stream options (the
// topic, domain and transport a node in the same shell would have),
// --verbose, and the main function's handling of help, usage errors (one
// line, status 2) and failures (one line, status 1).

#include <cctype>
#include <cstdio>
#include <string>

#include "CLI/App.hpp"
#include "CLI/Config.hpp"
#include "CLI/Formatter.hpp"
#include "dds/node_environment.hpp"
#include "media/ffmpeg.hpp"
#include "stream/pipeline.hpp"

namespace tools
{

// A ROS topic name as ROS 2 puts it on DDS: "/camera/h26x" (or
// "camera/h26x", relative to the root namespace) is the DDS topic
// "rt/camera/h26x". A name that already starts with "rt/" is taken as it is.
inline std::string dds_topic(const std::string & ros_name)
{
  if (ros_name.rfind("rt/", 0) == 0) {
    return ros_name;
  }
  const std::string name = ros_name.empty() || ros_name[0] != '/' ? "/" + ros_name : ros_name;
  bool token_start = true;
  for (std::size_t i = 1; i <= name.size(); ++i) {
    const char c = i < name.size() ? name[i] : '/';
    const bool valid = c == '/' ? !token_start :
      (std::isalnum(static_cast<unsigned char>(c)) || c == '_') && !(token_start && std::isdigit(c));
    if (!valid) {
      throw orvane_dds::UsageError("not a ROS topic name: '" + ros_name + "'");
    }
    token_start = c == '/';
  }
  return "rt" + name;
}

// The topic, domain and transport, as given.
struct StreamOptions
{
  std::string topic;  // a ROS name; empty: the tool's default
  std::string domain;  // empty: ROS_DOMAIN_ID, else 0
  std::string transport = "node";
  bool verbose = false;

  // `with_topic`: false when the program takes --topic its own way.
  void add_to(CLI::App & app, bool with_topic = true)
  {
    if (with_topic) {
      app.add_option("--topic", topic, "ROS topic name (rt/NAME on DDS)");
    }
    app.add_option("--domain", domain, "DDS domain; default ROS_DOMAIN_ID, else 0");
    app.add_option("--transport", transport,
      "node (default): what rmw_fastrtps_cpp gives a node, UDPv4 and shared memory, or with "
      "ROS_LOCALHOST_ONLY=1 UDPv4 on 127.0.0.1 and shared memory; FASTRTPS_DEFAULT_PROFILES_FILE applies. "
      "shm: shared memory only. udp: UDPv4 on every interface, no shared memory. udp-loopback: UDPv4 on 127.0.0.1, no multicast. all-interfaces: Fast DDS's "
      "builtin transports");
    app.add_flag("--verbose", verbose, "show FFmpeg's own log lines");
  }
  std::string dds_topic(const std::string & fallback) const {return tools::dds_topic(topic.empty() ? fallback : topic);}
  int domain_id() const {return orvane_dds::domain_id(domain);}
  orvane_dds::Transport transport_kind() const {return orvane_dds::parse_transport(transport);}
};

// A tool's main: parses `app` (help on -h / --help), then runs `body`.
template<class Body>
int run_tool(const char * program, CLI::App & app, int argc, char ** argv, Body body)
{
  stream::set_program(program);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError & error) {
    std::fprintf(stderr, "%s: %s (see --help)\n", program, error.what());
    return 2;
  }
  try {
    return body();
  } catch (const orvane_dds::UsageError & error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 2;
  } catch (const std::exception & error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 1;
  }
}

}  // namespace tools

#endif  // ORVANE_H26X_MSGS_TOOLS__OPTIONS_HPP_
