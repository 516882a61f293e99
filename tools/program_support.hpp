#ifndef ORVANE_H26X_MSGS_TOOLS__PROGRAM_SUPPORT_HPP_
#define ORVANE_H26X_MSGS_TOOLS__PROGRAM_SUPPORT_HPP_

// Options, clocks and statistics shared by the publisher and the recorder.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tools
{

// --name value pairs and --flag switches; repeated names keep every value.
class Options
{
public:
  Options(int argc, char ** argv, const std::vector<std::string> & flags)
  {
    for (int i = 1; i < argc; ++i) {
      std::string name = argv[i];
      if (name == "-h" || name == "--help") {
        help = true;
        continue;
      }
      if (name.rfind("--", 0) != 0) {
        throw std::invalid_argument("unexpected argument " + name);
      }
      name = name.substr(2);
      if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
        values_[name].push_back("1");
      } else if (i + 1 < argc) {
        values_[name].push_back(argv[++i]);
      } else {
        throw std::invalid_argument("--" + name + " needs a value");
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
      throw std::invalid_argument("not a ROS topic name: '" + ros_name + "'");
    }
    token_start = c == '/';
  }
  return "rt" + name;
}

// What the publisher and the recorder must agree on: the topic (by default
// one for each message shape), the domain and the transport.
struct StreamOptions
{
  bool multi;
  std::string topic;  // the DDS topic
  int domain;
  std::string transport;
};

inline StreamOptions stream_options(const Options & options, bool multi)
{
  return {
    multi, dds_topic(options.get("topic", multi ? "/camera/h26x_multi" : "/camera/h26x")),
    std::stoi(options.get("domain", "0")), options.get("transport", "shm")};
}

// The marker that ends a stream: no frame data, and the number of frames sent.
constexpr const char * kEndOfStream = "end-of-stream";

}  // namespace tools

#endif  // ORVANE_H26X_MSGS_TOOLS__PROGRAM_SUPPORT_HPP_
