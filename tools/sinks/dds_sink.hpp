#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__DDS_SINK_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__DDS_SINK_HPP_

// Moments as Compressed (one image a moment) or MultiCompressed (a
// MultiImage per stream, the originals as OriginalImages) messages on a
// topic. The messages are plain records built through the package's C API
// and written by its plain CDR type support, found through the C dispatch
// handle as a C node finds it. The end of the stream is a marker message.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "dds/session.hpp"
#include "stream/pipeline.hpp"

namespace sinks
{

class DdsSink : public stream::Sink
{
public:
  struct Settings
  {
    bool multi = false;  // MultiCompressed
    std::string topic;  // the DDS topic
    int domain = 0;
    orvane_dds::Transport transport = orvane_dds::Transport::NODE;
    orvane_dds::WriterFlow flow = orvane_dds::WriterFlow::PACED;
    std::size_t sample_bytes = 0;  // the largest sample expected, 0: not known
    std::chrono::milliseconds finish_wait{10000};  // for the readers' acknowledgement of the end
    // Called (on a middleware thread) when a reader matches the writer.
    std::function<void()> reader_joined;
    // Measure each frame's delay from its stamp (a camera's capture time),
    // and from its arrival here, to its write, and say them.
    bool stamp_delay = false;
  };
  explicit DdsSink(const Settings & settings);
  ~DdsSink() override;

  // Before the first moment: waits until readers have matched and had time
  // to find the writer; false when none came within `timeout`.
  bool wait_for_readers(std::chrono::milliseconds timeout);

  void write(const stream::Moment & moment) override;
  void finish() override;
  bool report() const override;
  bool done() const override {return failed_;}

private:
  struct Record;
  struct Joined;
  void fill(const stream::Moment & moment);
  void send(const char * what);
  Settings settings_;
  std::unique_ptr<Joined> joined_;  // before the session: its writer calls it
  std::unique_ptr<orvane_dds::Session> session_;
  std::unique_ptr<Record> record_;
  bool failed_ = false;
  bool marker_sent_ = false;
  bool acknowledged_ = true;
  std::string error_;
  uint64_t frames_ = 0;
  uint64_t bytes_ = 0;
  std::vector<double> delays_, arrival_delays_;  // seconds, with stamp_delay
  std::vector<uint64_t> sent_;  // frames per stream
  std::chrono::steady_clock::time_point first_write_, finished_;
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__DDS_SINK_HPP_
