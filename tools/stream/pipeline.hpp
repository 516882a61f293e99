#ifndef ORVANE_H26X_MSGS_TOOLS__STREAM__PIPELINE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__STREAM__PIPELINE_HPP_

// The tools are compositions: a source yields moments (a file's units, a
// topic's messages, frames taken or encoded), sinks take them (a DDS writer,
// files and containers, a decoder and its pictures), and run() moves them
// from one to the others. A new source or sink is a new class; no program
// has a loop of its own.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "stream/moment.hpp"

namespace stream
{

class Source
{
public:
  virtual ~Source() = default;
  // The next moment; false when there is no more (the end, a stop, a timeout).
  virtual bool next(Moment & moment) = 0;
  // Why it ended, for the summary (empty when it simply ran out).
  virtual std::string ending() const {return {};}
  // False when the source failed or gave less than it should have.
  virtual bool ok() const {return true;}
  // Whether an end-of-stream marker ends the run: a source of several
  // topics ends when each of them has.
  virtual bool ends_at(const Moment & marker) const {(void)marker; return true;}
};

// An output. Its own failures (a full disk, a format it cannot hold) end
// this output and are reported, never thrown: the other sinks go on.
class Sink
{
public:
  virtual ~Sink() = default;
  virtual void write(const Moment & moment) = 0;
  // After the last moment: everything written, files closed.
  virtual void finish() = 0;
  // The summary's lines on stderr; false when the output failed or holds
  // nothing it should have.
  virtual bool report() const = 0;
  // True when nothing more can be written (its output failed).
  virtual bool done() const {return false;}
};

// The program's name, in front of its lines on stderr.
void set_program(const char * name);
const char * program();
// On stderr: "<program>: <text>", each line of the text so.
void note(const std::string & text);

// Ctrl-C and SIGTERM ask a tool to stop: sources and waits read this flag.
extern std::atomic<bool> stop_requested;
void stop_on_signals();

struct RunResult
{
  uint64_t moments = 0;  // moments written (the marker not counted)
  bool ended_by_marker = false;
  bool stopped = false;  // by a signal
};

// Moves every moment from `source` to each sink in turn, until the source
// ends, a signal, the end-of-stream marker that ends it (written to the sinks
// too, as are the markers that do not),
// `limit` moments (0: none) or every sink is done; then finishes every sink.
RunResult run(Source & source, const std::vector<Sink *> & sinks, uint64_t limit = 0);

// Each sink's report; true when all are good.
bool report_all(const std::vector<Sink *> & sinks);

}  // namespace stream

#endif  // ORVANE_H26X_MSGS_TOOLS__STREAM__PIPELINE_HPP_
