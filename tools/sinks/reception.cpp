#include "sinks/reception.hpp"

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace sinks
{

double percentile(std::vector<double> values, double fraction)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  const std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

long peak_memory_mib()
{
  struct rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

void Reception::write(const stream::Moment & moment)
{
  if (moment.end_of_stream) {
    marker_ = true;
    return;
  }
  const int64_t arrival = moment.received_ns ? moment.received_ns : stream::now_ns();
  first_arrival_ = frames_ == 0 ? arrival : first_arrival_;
  last_arrival_ = arrival;
  latencies_.push_back((arrival - moment.stamp_ns) * 1e-9);
  for (const stream::Unit & unit : moment.units) {
    bytes_ += unit.present ? unit.data.size() : 0;
  }
  if (++frames_ % 25 == 0) {
    std::fprintf(stderr, "%s: %llu frames received\n", stream::program(), static_cast<unsigned long long>(frames_));
  }
}

bool Reception::report() const
{
  const double span = (last_arrival_ - first_arrival_) * 1e-9;
  std::fprintf(
    stderr,
    "%s: %llu frames received, %llu bytes, %.2f MB/s, %.2f frames/s over %.3f s; latency ms p50 %.3f p90 %.3f "
    "p99 %.3f max %.3f; peak memory %ld MiB%s\n", stream::program(),
    static_cast<unsigned long long>(frames_), static_cast<unsigned long long>(bytes_),
    span > 0 ? bytes_ / span / 1e6 : 0.0, span > 0 ? (frames_ - 1) / span : 0.0, span,
    1e3 * percentile(latencies_, 0.5), 1e3 * percentile(latencies_, 0.9), 1e3 * percentile(latencies_, 0.99),
    1e3 * percentile(latencies_, 1.0), peak_memory_mib(), marker_ ? "" : " (no end-of-stream marker)");
  return frames_ > 0;
}

}  // namespace sinks
