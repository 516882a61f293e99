#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__BAG_SINK_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__BAG_SINK_HPP_

// Moments into a rosbag2 bag (MCAP storage): each moment's CDR bytes as they
// came off the wire, on its topic, logged at its receive time (which is also
// its publish time, as Humble's rosbag2 sets it).

#include <functional>
#include <memory>
#include <string>

#include "bag/bag_writer.hpp"
#include "stream/pipeline.hpp"

namespace sinks
{

class BagSink : public stream::Sink
{
public:
  using OfferedQos = std::function<std::string(const std::string & topic)>;
  // Makes the bag's folder and first file at once.
  BagSink(const bag::BagWriter::Options & options, OfferedQos offered_qos);
  void write(const stream::Moment & moment) override;
  void finish() override;
  bool report() const override;
  bool done() const override {return !error_.empty();}
  // Closes a chunk that has been open too long (a kill then loses little).
  void tick();

private:
  void fail(const std::string & error);
  std::unique_ptr<bag::BagWriter> writer_;
  OfferedQos offered_qos_;
  std::string error_;
  uint64_t messages_ = 0;
};

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__BAG_SINK_HPP_
