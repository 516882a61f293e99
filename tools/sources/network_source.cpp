#include "sources/network_source.hpp"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace sources
{
namespace
{
// How long one open or read may block before the source counts as gone.
constexpr std::chrono::seconds kBlockingWait{5};
constexpr std::chrono::milliseconds kFirstRetry{250};
constexpr std::chrono::seconds kLongestRetry{4};
// How long, and how many, the first units of a connection wait for the
// source's clock: they then go out at once, and a burst larger than the
// writer's history (64) would lose the first key frame to readers.
constexpr std::chrono::nanoseconds kReportWait = std::chrono::seconds(1);
constexpr std::size_t kMostWaiting = 32;
}  // namespace

bool NetworkSource::is_url(const std::string & input)
{
  const std::size_t scheme = input.find("://");
  return scheme != std::string::npos && scheme > 0 && input.compare(0, 7, "file://") != 0;
}

NetworkSource::NetworkSource(const Settings & settings)
: settings_(settings), last_unit_(Clock::now())
{
  if (!open()) {
    throw media::Error("cannot open " + settings.url + (timed_out_ ? " within the timeout" : ""));
  }
  codec_ = demuxer_->codec();
  sets_ = std::make_unique<annexb::ParameterSetKeeper>(codec_);
  const std::vector<uint8_t> configuration = demuxer_->configuration();
  sets_->remember(configuration.data(), configuration.size());
  // An RTSP session is closed until the first unit is asked for: a camera
  // does not wait while the publisher waits for its readers. What is pushed
  // (UDP, SRT) libavformat keeps receiving meanwhile, into a bounded buffer.
  if (settings.url.compare(0, 7, "rtsp://") == 0 || settings.url.compare(0, 8, "rtsps://") == 0) {
    demuxer_.reset();
  }
}

NetworkSource::~NetworkSource() = default;

// Opens the source, with growing waits between tries, until it opens, the
// timeout passes (since the last unit) or a stop is asked.
bool NetworkSource::open()
{
  media::Demuxer::Options options;
  if (!settings_.rtsp_transport.empty()) {
    options.format["rtsp_transport"] = settings_.rtsp_transport;
  }
  // libavformat reads ahead up to this much of the stream to learn it; what
  // it read comes out at once, late. Half a second finds an H.264 / H.265
  // stream's parameter sets (an RTSP camera states them before it sends).
  options.format["analyzeduration"] = "500000";
  if (settings_.url.compare(0, 6, "udp://") == 0) {
    options.format["overrun_nonfatal"] = "1";  // a full buffer loses datagrams, counted as damage downstream
  }
  options.interrupted = [this] {return stream::stop_requested || Clock::now() > wait_until_;};
  auto retry = std::chrono::duration_cast<Clock::duration>(kFirstRetry);
  for (bool said = false;; said = true) {
    wait_until_ = Clock::now() + kBlockingWait;
    try {
      demuxer_ = std::make_unique<media::Demuxer>(settings_.url, options);
      frame_rate_ = demuxer_->frame_rate();
      width_ = demuxer_->width();
      height_ = demuxer_->height();
      if (sets_ && demuxer_->codec() != codec_) {
        throw media::Error(settings_.url + " now sends " + annexb::codec_name(demuxer_->codec()));
      }
      if (sets_) {
        const std::vector<uint8_t> configuration = demuxer_->configuration();
        sets_->remember(configuration.data(), configuration.size());
      }
      return true;
    } catch (const media::Error & error) {
      if (!said) {
        stream::note(std::string(error.what()) + "; trying again");
      }
    }
    if (stream::stop_requested) {
      return false;
    }
    if (Clock::now() + retry - last_unit_ > std::chrono::duration<double>(settings_.timeout)) {
      timed_out_ = true;
      return false;
    }
    std::this_thread::sleep_for(retry);
    retry = std::min<Clock::duration>(2 * retry, kLongestRetry);
  }
}

void NetworkSource::dropped(const std::string & why)
{
  if (clock_ == StampClock::UNDECIDED) {
    decide(StampClock::ARRIVAL);  // what was read goes out
  }
  ++drops_;
  stream::note(settings_.url + " " + why + " after unit " + std::to_string(count_) + ": opening it again");
  demuxer_.reset();
  waiting_for_key_ = true;  // a decoder can go on only at the next key frame
}

// Every unit of a connection is stamped on one clock, chosen at its start.
void NetworkSource::decide(StampClock clock)
{
  clock_ = clock;
  if (clock == StampClock::SOURCE) {
    source_zero_ns_ = demuxer_->start_time_realtime_ns();
  } else if (!pending_.empty()) {
    // The earliest any unit arrived for its media time: units read ahead
    // while libavformat learned the stream came out late.
    arrival_zero_ns_ = pending_.front().arrival_ns;
    bool timed = false;
    for (const Pending & unit : pending_) {
      if (unit.media_time_ns != media::kNoTime) {
        const int64_t zero = unit.arrival_ns - unit.media_time_ns;
        arrival_zero_ns_ = timed ? std::min(arrival_zero_ns_, zero) : zero;
        timed = true;
      }
    }
  }
}

void NetworkSource::emit(stream::Moment & moment)
{
  Pending unit = std::move(pending_.front());
  pending_.pop_front();
  if (unit.media_time_ns == media::kNoTime) {
    // A unit the source gave no decode time (the first few, at times): a
    // frame before the next one that has one, else a frame after the last.
    const int64_t interval = static_cast<int64_t>(1e9 / (frame_rate_ > 0 ? frame_rate_ : 25));
    const auto timed = std::find_if(pending_.begin(), pending_.end(), [](const Pending & later) {
        return later.media_time_ns != media::kNoTime;
      });
    unit.media_time_ns = timed != pending_.end() ?
      timed->media_time_ns - (timed - pending_.begin() + 1) * interval :
      last_media_ns_ != media::kNoTime ? last_media_ns_ + interval : media::kNoTime;
  }
  last_media_ns_ = unit.media_time_ns;
  moment = stream::Moment();
  moment.received_ns = unit.arrival_ns;
  if (unit.media_time_ns == media::kNoTime) {
    moment.stamp_ns = unit.arrival_ns;
  } else if (clock_ == StampClock::SOURCE) {
    moment.stamp_ns = source_zero_ns_ + unit.media_time_ns;
    ++source_stamped_;
  } else {
    moment.stamp_ns = arrival_zero_ns_ + unit.media_time_ns;
  }
  stream::Unit out;
  out.encoding = annexb::codec_name(codec_);
  out.width = static_cast<uint32_t>(width_);
  out.height = static_cast<uint32_t>(height_);
  out.count = count_++;
  out.data = std::move(unit.data);
  moment.units.push_back(std::move(out));
}

bool NetworkSource::next(stream::Moment & moment)
{
  while (!stream::stop_requested) {
    if (!pending_.empty() && clock_ != StampClock::UNDECIDED) {
      emit(moment);
      return true;
    }
    if (!demuxer_) {
      const Clock::time_point lost = Clock::now();
      if (count_ == 0 && drops_ == 0) {
        last_unit_ = lost;  // the timeout counts from the first open
      }
      const bool opened = open();
      if (drops_ > 0) {
        gap_seconds_ += std::chrono::duration<double>(Clock::now() - lost).count();
      }
      if (!opened) {
        return false;
      }
      const std::vector<uint8_t> configuration = demuxer_->configuration();
      sets_->remember(configuration.data(), configuration.size());
      clock_ = StampClock::UNDECIDED;
      last_media_ns_ = media::kNoTime;
    }
    media::Demuxer::Unit unit;
    wait_until_ = Clock::now() + kBlockingWait;
    bool got = false;
    try {
      got = demuxer_->next(unit);
    } catch (const media::Error & error) {
      dropped(std::string("failed (") + error.what() + ")");
      continue;
    }
    if (!got) {
      if (!stream::stop_requested) {
        dropped(Clock::now() > wait_until_ ? "went quiet" : "ended");
      }
      continue;
    }
    const bool key = sets_->complete(unit.data);
    if (waiting_for_key_ && !key) {
      ++skipped_;
      continue;
    }
    waiting_for_key_ = false;
    last_unit_ = Clock::now();
    // Decode times keep the stamps in order with B-frames. The clock is
    // chosen once a unit has one, so the units before it get theirs from it.
    pending_.push_back({std::move(unit.data), unit.decode_time_ns, stream::now_ns()});
    if (clock_ == StampClock::UNDECIDED) {
      const bool timed = pending_.back().media_time_ns != media::kNoTime;
      const bool waited = pending_.back().arrival_ns - pending_.front().arrival_ns >= kReportWait.count() ||
        pending_.size() >= kMostWaiting;
      if (timed && settings_.source_stamps && demuxer_->start_time_realtime_ns() >= 0) {
        decide(StampClock::SOURCE);
      } else if ((timed && !settings_.source_stamps) || waited) {
        if (settings_.source_stamps) {
          stream::note("no sender report from the source within 1 s (or 32 units): stamped on arrival");
        }
        decide(StampClock::ARRIVAL);
      }
    }
  }
  return false;
}

std::string NetworkSource::describe() const
{
  char line[160];
  std::snprintf(line, sizeof(line), ": %s, %dx%d, %g frames/s", annexb::codec_name(codec_), width_, height_,
    frame_rate_);
  return "input " + settings_.url + line;
}

std::string NetworkSource::ending() const
{
  char line[320];
  std::snprintf(line, sizeof(line),
    "%llu units passed through (%llu stamped with the source's capture time, %llu with their arrival), "
    "%llu skipped on the way to a key frame; the source dropped %llu times, %.1f s without it",
    static_cast<unsigned long long>(count_), static_cast<unsigned long long>(source_stamped_),
    static_cast<unsigned long long>(count_ - source_stamped_), static_cast<unsigned long long>(skipped_),
    static_cast<unsigned long long>(drops_), gap_seconds_);
  std::string text = line;
  if (timed_out_) {
    char timeout[96];
    std::snprintf(timeout, sizeof(timeout), "\nnothing from the source for %g s", settings_.timeout);
    text += timeout;
  }
  return text;
}

}  // namespace sources
