#ifndef ORVANE_H26X_MSGS_TOOLS__SOURCES__NETWORK_SOURCE_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SOURCES__NETWORK_SOURCE_HPP_

// A network camera's H.264 / H.265 stream (RTSP over UDP or TCP, MPEG-TS
// over UDP, SRT, or any URL libavformat opens), passed through: each access
// unit as it arrives, never decoded or re-encoded, B-frames kept, the
// stream's parameter sets (also those sent out of band) put before every
// key frame, so that a reader may start at any key frame. The stream starts
// at a key frame. Stamps, one clock for each connection: the source's
// capture time where it states one (an RTSP camera's RTCP sender reports,
// as libavformat's wall clock of media time 0, with each unit's decode
// time), for which the first units wait at most 1 s (32 units); else the
// arrival time
// (the first unit's, with the others' media times after it). A source that
// stops or drops is opened again with growing waits, the gap counted, and
// the stream goes on at its next key frame; it ends after `timeout` seconds
// without a unit.

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "annexb.hpp"
#include "media/demuxer.hpp"
#include "stream/pipeline.hpp"

namespace sources
{

class NetworkSource : public stream::Source
{
public:
  struct Settings
  {
    std::string url;
    std::string rtsp_transport;  // "tcp" or "udp"; empty: libavformat's choice
    bool source_stamps = true;  // the source's capture time where it states one
    double timeout = 30;  // seconds without a unit that end it
  };
  // Opens the source (trying again until the timeout) to learn its stream,
  // and closes it until the first unit is asked for: a media::Error when it
  // never opens.
  explicit NetworkSource(const Settings & settings);
  ~NetworkSource() override;
  bool next(stream::Moment & moment) override;
  // Units sent and how they were stamped, drops and the time they lost.
  std::string ending() const override;
  bool ok() const override {return !timed_out_;}

  annexb::Codec codec() const {return codec_;}
  double frame_rate() const {return frame_rate_;}
  // One line: the URL, codec, size and rate.
  std::string describe() const;
  // Whether `input` names a network source rather than a file.
  static bool is_url(const std::string & input);

private:
  using Clock = std::chrono::steady_clock;
  struct Pending
  {
    std::vector<uint8_t> data;
    int64_t media_time_ns;  // its decode time, media::kNoTime when the source gave none
    int64_t arrival_ns;
  };
  enum class StampClock {UNDECIDED, SOURCE, ARRIVAL};
  bool open();
  void dropped(const std::string & why);
  void decide(StampClock clock);
  void emit(stream::Moment & moment);
  Settings settings_;
  std::unique_ptr<media::Demuxer> demuxer_;
  Clock::time_point wait_until_;  // the current blocking call gives up then
  Clock::time_point last_unit_;
  std::unique_ptr<annexb::ParameterSetKeeper> sets_;
  annexb::Codec codec_ = annexb::Codec::H264;
  double frame_rate_ = 0;
  int width_ = 0, height_ = 0;
  bool waiting_for_key_ = true;
  bool timed_out_ = false;
  std::deque<Pending> pending_;  // read, not yet given: waiting for the clock
  StampClock clock_ = StampClock::UNDECIDED;
  int64_t source_zero_ns_ = 0;  // SOURCE: the wall clock of media time 0
  int64_t arrival_zero_ns_ = 0;  // ARRIVAL: the first unit's arrival less its media time
  int64_t last_media_ns_ = media::kNoTime;  // of the unit given last in this connection
  uint64_t count_ = 0, source_stamped_ = 0, skipped_ = 0, drops_ = 0;
  double gap_seconds_ = 0;
};

}  // namespace sources

#endif  // ORVANE_H26X_MSGS_TOOLS__SOURCES__NETWORK_SOURCE_HPP_
