#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__BAG_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__BAG_SOURCE_HPP_

// A bag's messages as moments, in time order: those of the topics asked for
// (all topics of the package's types when none is named), decoded, each with
// its stored CDR bytes, its topic and type, and its log time as its time on
// the bag's timeline. A message that does not decode, or a topic of another
// type, is passed over and counted.

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bag/bag_reader.hpp"
#include "sources/message_moments.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

class BagSource : public stream::Source
{
public:
  // A FormatError when `path` is not a bag; a UsageError-worthy
  // std::invalid_argument when a named topic is not in it.
  // `loop`: from the start again at the end, the timeline going on.
  BagSource(const std::string & path, const std::vector<std::string> & topics, bool loop = false);
  bool next(stream::Moment & moment) override;
  std::string ending() const override;
  // False when messages were lost to damage or did not decode.
  bool ok() const override {return malformed_ == 0 && reader_->damaged() == 0;}
  bool ends_at(const stream::Moment &) const override {return false;}

  // The topics read, with their types and counts.
  const std::vector<bag::TopicInfo> & topics() const {return topics_;}
  uint64_t malformed() const {return malformed_;}
  // What the stamps of the frames read so far span (the video's length).
  int64_t stamp_span_ns() const {return last_stamp_ - first_stamp_;}

private:
  std::string path_;
  bool loop_;
  std::unique_ptr<bag::BagReader> reader_;
  std::vector<bag::TopicInfo> topics_;
  int64_t last_time_ = -1;  // on the timeline
  int64_t loop_offset_ = 0;
  uint64_t taken_ = 0;  // in this pass
  std::set<std::string> wanted_;
  bag::BagMessage message_;
  int64_t first_time_ = -1;
  uint64_t malformed_ = 0;
  int64_t first_stamp_ = 0, last_stamp_ = 0;
  bool stamped_ = false;
  std::set<std::string> passed_over_;  // topics of other types
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__BAG_SOURCE_HPP_
