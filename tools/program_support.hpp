#ifndef ORVANE_H26X_MSGS_TOOLS__PROGRAM_SUPPORT_HPP_
#define ORVANE_H26X_MSGS_TOOLS__PROGRAM_SUPPORT_HPP_

// Options, clocks and statistics shared by the publisher and the recorder.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dds/node_environment.hpp"

namespace tools
{

// --name value pairs and --flag switches; repeated names keep every value.
// With `valued` given, any other name is a usage error.
class Options
{
public:
  Options(
    int argc, char ** argv, const std::vector<std::string> & flags,
    const std::vector<std::string> & valued = {})
  {
    for (int i = 1; i < argc; ++i) {
      std::string name = argv[i];
      if (name == "-h" || name == "--help") {
        help = true;
        continue;
      }
      if (name.rfind("--", 0) != 0) {
        throw orvane_dds::UsageError("unexpected argument " + name);
      }
      name = name.substr(2);
      if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
        values_[name].push_back("1");
      } else if (!valued.empty() && std::find(valued.begin(), valued.end(), name) == valued.end()) {
        throw orvane_dds::UsageError("unknown option --" + name + " (see --help)");
      } else if (i + 1 < argc) {
        values_[name].push_back(argv[++i]);
      } else {
        throw orvane_dds::UsageError("--" + name + " needs a value");
      }
    }
  }
  std::string get(const std::string & name, const std::string & fallback) const
  {
    auto found = values_.find(name);
    return found == values_.end() ? fallback : found->second.back();
  }
  std::vector<std::string> all(const std::string & name) const
  {
    auto found = values_.find(name);
    return found == values_.end() ? std::vector<std::string>{} : found->second;
  }
  bool has(const std::string & name) const {return values_.count(name) > 0;}

  // The number given as --name (or `fallback`), which must lie in [low, high].
  double number(const std::string & name, double fallback, double low, double high) const
  {
    if (!has(name)) {
      return fallback;
    }
    const std::string text = get(name, "");
    std::size_t used = 0;
    double value = 0;
    try {
      value = std::stod(text, &used);
    } catch (const std::exception &) {
      used = 0;
    }
    if (used == 0 || used != text.size() || !(value >= low && value <= high)) {
      std::ostringstream range;
      range << "--" << name << " '" << text << "' is not a number from " << low << " to " << high;
      throw orvane_dds::UsageError(range.str());
    }
    return value;
  }
  bool help = false;

private:
  std::map<std::string, std::vector<std::string>> values_;
};

// Wall-clock time as a header stamp, and back, for latency across processes.
inline void now_stamp(int32_t & sec, uint32_t & nanosec)
{
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
  sec = static_cast<int32_t>(ns / 1000000000);
  nanosec = static_cast<uint32_t>(ns % 1000000000);
}

inline double seconds_since(int32_t sec, uint32_t nanosec)
{
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const double now = std::chrono::duration<double>(since_epoch).count();
  return now - (static_cast<double>(sec) + static_cast<double>(nanosec) * 1e-9);
}

inline double percentile(std::vector<double> values, double fraction)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  const std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

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

// What the publisher and the recorder must agree on: the topic (by default
// one for each message shape), the domain and the transport, as a node in
// the same shell would have them.
struct StreamOptions
{
  bool multi;
  std::string topic;  // the DDS topic
  int domain;
  orvane_dds::Transport transport;
};

inline StreamOptions stream_options(const Options & options, bool multi)
{
  return {
    multi, dds_topic(options.get("topic", multi ? "/camera/h26x_multi" : "/camera/h26x")),
    orvane_dds::domain_id(options.get("domain", "")), orvane_dds::parse_transport(options.get("transport", "node"))};
}

constexpr const char * kStreamOptionsHelp =
  "  --topic NAME      ROS topic name (rt/NAME on DDS)\n"
  "  --domain N        DDS domain; default ROS_DOMAIN_ID, else 0\n"
  "  --transport T     node (default): what rmw_fastrtps_cpp gives a node, UDPv4 and\n"
  "                    shared memory, or with ROS_LOCALHOST_ONLY=1 UDPv4 on 127.0.0.1\n"
  "                    and shared memory; FASTRTPS_DEFAULT_PROFILES_FILE applies.\n"
  "                    shm: shared memory only. udp-loopback: UDPv4 on 127.0.0.1,\n"
  "                    no multicast. all-interfaces: Fast DDS's builtin transports.\n";

// The main function of a stream tool: its options (`flags` and `valued`
// names, and the stream options every tool takes), --help, and `body`. A
// usage error is one line and exit status 2, any other failure one line and
// exit status 1.
template<class Usage, class Body>
int run_stream_tool(
  const char * program, int argc, char ** argv, const std::vector<std::string> & flags,
  std::vector<std::string> valued, Usage usage, Body body)
{
  try {
    valued.insert(valued.end(), {"topic", "domain", "transport"});
    const Options options(argc, argv, flags, valued);
    if (options.help) {
      usage();
      return 0;
    }
    return body(options);
  } catch (const orvane_dds::UsageError & error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 2;
  } catch (const std::exception & error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 1;
  }
}

// Ctrl-C and SIGTERM ask a tool to stop: they set a flag its main loop reads.
inline std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler only stores a lock-free flag");
extern "C" {
inline void tools_request_stop(int) {stop_requested = true;}
}
inline void stop_on_signals()
{
  struct sigaction action = {};
  action.sa_handler = tools_request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// The marker that ends a stream: no frame data, and the number of frames sent.
constexpr const char * kEndOfStream = "end-of-stream";

}  // namespace tools

#endif  // ORVANE_H26X_MSGS_TOOLS__PROGRAM_SUPPORT_HPP_
