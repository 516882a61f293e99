#include "stream/pipeline.hpp"

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace stream
{

std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler only stores a lock-free flag");

namespace
{
extern "C" void request_stop(int) {stop_requested = true;}
const char * program_name = "h26x";
}  // namespace

void set_program(const char * name)
{
  program_name = name;
}

const char * program()
{
  return program_name;
}

void note(const std::string & text)
{
  for (std::size_t start = 0; start <= text.size(); ) {  // each line with the name in front
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::fprintf(stderr, "%s: %.*s\n", program_name, static_cast<int>(end - start), text.c_str() + start);
    start = end + 1;
  }
}

void stop_on_signals()
{
  struct sigaction action = {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

RunResult run(Source & source, const std::vector<Sink *> & sinks, uint64_t limit)
{
  RunResult result;
  Moment moment;
  while (!stop_requested && (limit == 0 || result.moments < limit) && source.next(moment)) {
    for (Sink * sink : sinks) {
      sink->write(moment);
    }
    if (moment.end_of_stream) {
      if (source.ends_at(moment)) {
        result.ended_by_marker = true;
        break;
      }
      continue;
    }
    ++result.moments;
    if (std::all_of(sinks.begin(), sinks.end(), [](const Sink * sink) {return sink->done();})) {
      break;
    }
  }
  result.stopped = stop_requested;
  for (Sink * sink : sinks) {
    sink->finish();
  }
  return result;
}

bool report_all(const std::vector<Sink *> & sinks)
{
  bool good = true;
  for (const Sink * sink : sinks) {
    good = sink->report() && good;
  }
  return good;
}

}  // namespace stream
