#ifndef ORVANE_H26X_MSGS_TOOLS__SINKS__RECEPTION_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SINKS__RECEPTION_HPP_

// What arrived from a topic: frames, bytes, throughput, the latency from
// each message's stamp to its arrival, and whether the stream's end marker
// came. Says every 25 frames how many have come.

#include <cstdint>
#include <vector>

#include "stream/pipeline.hpp"

namespace sinks
{

class Reception : public stream::Sink
{
public:
  void write(const stream::Moment & moment) override;
  void finish() override {}
  // "<program>: N frames received, ...": true when anything came.
  bool report() const override;

private:
  uint64_t frames_ = 0;
  uint64_t bytes_ = 0;
  int64_t first_arrival_ = 0, last_arrival_ = 0;
  std::vector<double> latencies_;  // seconds
  bool marker_ = false;
};

double percentile(std::vector<double> values, double fraction);
long peak_memory_mib();

}  // namespace sinks

#endif  // ORVANE_H26X_MSGS_TOOLS__SINKS__RECEPTION_HPP_
