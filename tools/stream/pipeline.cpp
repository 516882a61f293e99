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
  std::fprintf(stderr, "%s: %s\n", program_name, text.c_str());
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
      result.ended_by_marker = true;
      break;
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
