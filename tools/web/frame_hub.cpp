#include "web/frame_hub.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace web
{

struct FrameHub::Viewer
{
  struct Entry
  {
    uint32_t stream;
    Frame frame;
    uint8_t flags;
  };
  struct Watching
  {
    std::size_t queued_live = 0;  // frames queued since joining, not yet sent
    bool waiting_for_key = false;
    bool skipped = false;  // the next frame sent is the first after a skip
    uint32_t dropped = 0;
  };
  std::function<void()> wake;
  bool woken = false;
  std::deque<Entry> queue;
  std::size_t live_bytes = 0;
  std::map<uint32_t, Watching> watching;
  std::string text;  // the streams' list, when not sent yet
};

namespace
{

void put_u32(uint8_t * at, uint32_t value)
{
  for (int i = 0; i < 4; ++i) {
    at[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

void put_u64(uint8_t * at, uint64_t value)
{
  for (int i = 0; i < 8; ++i) {
    at[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

std::string json_string(const std::string & text)
{
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::size_t size_of(const Frame & frame)
{
  return frame.data ? frame.data->size() : 0;
}

}  // namespace

uint32_t FrameHub::stream(const StreamInfo & info)
{
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t k = 0; k < streams_.size(); ++k) {
    Stream & known = streams_[k];
    if (known.info.topic == info.topic && known.info.label == info.label) {
      if (known.info.codec != info.codec || known.info.width != info.width || known.info.height != info.height) {
        // A new stream on the same topic: nothing cached belongs to it.
        known.cache.clear();
        known.cache_bytes = 0;
        known.cache_complete = false;
      }
      known.info = info;
      known.ended = false;
      return static_cast<uint32_t>(k + 1);
    }
  }
  if (streams_.size() >= kMaxStreams) {
    return 0;
  }
  streams_.push_back(Stream{});
  streams_.back().info = info;
  return static_cast<uint32_t>(streams_.size());
}

void FrameHub::publish(uint32_t id, Frame frame)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (id == 0 || id > streams_.size()) {
    return;
  }
  Stream & stream = streams_[id - 1];
  if (frame.key) {
    stream.cache.clear();
    stream.cache_bytes = 0;
    stream.cache_complete = true;
  }
  if (stream.cache_complete) {
    stream.cache.push_back(frame);
    stream.cache_bytes += size_of(frame);
    if (stream.cache.size() > kCacheUnits || stream.cache_bytes > kCacheBytes) {
      // A key frame too far back: new viewers wait for the next one.
      stream.cache.clear();
      stream.cache_bytes = 0;
      stream.cache_complete = false;
    }
  }
  for (const auto & viewer : viewers_) {
    if (viewer->watching.count(id) != 0) {
      queue(*viewer, id, frame, 0);
    }
  }
}

void FrameHub::seen(uint32_t id, int64_t stamp_ns)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (id == 0 || id > streams_.size()) {
    return;
  }
  Stream & stream = streams_[id - 1];
  ++stream.frames;
  stream.recent.push_back(stamp_ns);
  while (stream.recent.size() > 1 && stream.recent.front() < stamp_ns - 1000000000) {
    stream.recent.pop_front();
  }
}

void FrameHub::queue(Viewer & viewer, uint32_t id, const Frame & frame, uint8_t flags)
{
  Viewer::Watching & watching = viewer.watching[id];
  if (watching.waiting_for_key && !frame.key) {
    ++watching.dropped;
    ++skipped_;
    return;
  }
  watching.waiting_for_key = false;
  const bool catch_up = (flags & CATCH_UP) != 0;
  if (!catch_up &&
    (watching.queued_live >= kQueuedFrames || viewer.live_bytes + size_of(frame) > kQueuedBytes))
  {
    // Behind: what it has queued of this stream goes, and it goes on at the next key frame.
    for (auto entry = viewer.queue.begin(); entry != viewer.queue.end(); ) {
      if (entry->stream == id) {
        if ((entry->flags & CATCH_UP) == 0) {
          viewer.live_bytes -= size_of(entry->frame);
        }
        entry = viewer.queue.erase(entry);
        ++watching.dropped;
        ++skipped_;
      } else {
        ++entry;
      }
    }
    watching.queued_live = 0;
    watching.skipped = true;
    if (!frame.key) {
      watching.waiting_for_key = true;
      ++watching.dropped;
      ++skipped_;
      return;
    }
  }
  if (watching.skipped) {
    flags |= AFTER_SKIP;
    watching.skipped = false;
  }
  if (frame.key) {
    flags |= KEY;
  }
  if (!catch_up) {
    ++watching.queued_live;
    viewer.live_bytes += size_of(frame);
  }
  viewer.queue.push_back(Viewer::Entry{id, frame, flags});
  wake(viewer);
}

void FrameHub::wake(Viewer & viewer)
{
  if (!viewer.woken) {
    viewer.woken = true;
    viewer.wake();
  }
}

void FrameHub::ended(uint32_t id)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (id != 0 && id <= streams_.size()) {
    streams_[id - 1].ended = true;
  }
}

bool FrameHub::watched(uint32_t id) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(viewers_.begin(), viewers_.end(), [&](const auto & viewer) {
             return viewer->watching.count(id) != 0;
           });
}

std::vector<Frame> FrameHub::cached(uint32_t id) const
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (id == 0 || id > streams_.size() || !streams_[id - 1].cache_complete) {
    return {};
  }
  return {streams_[id - 1].cache.begin(), streams_[id - 1].cache.end()};
}

std::shared_ptr<FrameHub::Viewer> FrameHub::join(std::function<void()> wake_up)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (viewers_.size() >= kMaxViewers) {
    return nullptr;
  }
  auto viewer = std::make_shared<Viewer>();
  viewer->wake = std::move(wake_up);
  viewers_.insert(viewer);
  return viewer;
}

void FrameHub::leave(const std::shared_ptr<Viewer> & viewer)
{
  std::lock_guard<std::mutex> lock(mutex_);
  viewers_.erase(viewer);
}

bool FrameHub::subscribe(Viewer & viewer, uint32_t id)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (id == 0 || id > streams_.size() || viewer.watching.count(id) != 0) {
    return false;
  }
  const Stream & stream = streams_[id - 1];
  viewer.watching[id].waiting_for_key = !stream.cache_complete;
  if (stream.cache_complete) {
    for (const Frame & frame : stream.cache) {
      queue(viewer, id, frame, CATCH_UP);
    }
  }
  return true;
}

bool FrameHub::unsubscribe(Viewer & viewer, uint32_t id)
{
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto entry = viewer.queue.begin(); entry != viewer.queue.end(); ) {
    if (entry->stream == id) {
      if ((entry->flags & CATCH_UP) == 0) {
        viewer.live_bytes -= size_of(entry->frame);
      }
      entry = viewer.queue.erase(entry);
    } else {
      ++entry;
    }
  }
  return viewer.watching.erase(id) > 0;
}

bool FrameHub::next(Viewer & viewer, Outgoing & out)
{
  std::lock_guard<std::mutex> lock(mutex_);
  if (!viewer.text.empty()) {
    out.text = std::move(viewer.text);
    out.data.reset();
    viewer.text.clear();
    return true;
  }
  if (viewer.queue.empty()) {
    viewer.woken = false;
    return false;
  }
  Viewer::Entry entry = std::move(viewer.queue.front());
  viewer.queue.pop_front();
  Viewer::Watching & watching = viewer.watching[entry.stream];
  if ((entry.flags & CATCH_UP) == 0) {
    viewer.live_bytes -= size_of(entry.frame);
    --watching.queued_live;
  }
  out.text.clear();
  out.data = entry.frame.data;
  uint8_t * header = out.header.data();
  std::memset(header, 0, kHeaderBytes);
  header[0] = static_cast<uint8_t>(entry.frame.kind);
  header[1] = entry.flags;
  header[2] = static_cast<uint8_t>(kHeaderBytes);
  put_u32(header + 4, entry.stream);
  put_u64(header + 8, static_cast<uint64_t>(entry.frame.stamp_ns));
  put_u64(header + 16, entry.frame.count);
  put_u32(header + 24, watching.dropped);
  return true;
}

void FrameHub::announce()
{
  const std::string json = streams_json();
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto & viewer : viewers_) {
    viewer->text = json;
    wake(*viewer);
  }
}

std::string FrameHub::streams_json() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  std::string json = "{\"streams\":[";
  for (std::size_t k = 0; k < streams_.size(); ++k) {
    const Stream & stream = streams_[k];
    double rate = 0;
    if (stream.recent.size() > 1) {
      const double span = (stream.recent.back() - stream.recent.front()) * 1e-9;
      rate = span > 0 ? (stream.recent.size() - 1) / span : 0;
    }
    char numbers[200];
    std::snprintf(numbers, sizeof(numbers),
      "\"id\":%zu,\"width\":%u,\"height\":%u,\"fps\":%.2f,\"frames\":%llu,\"ended\":%s,\"delivery\":\"%s\"",
      k + 1, stream.info.width, stream.info.height, rate, static_cast<unsigned long long>(stream.frames),
      stream.ended ? "true" : "false", stream.info.jpeg ? "jpeg" : "video");
    json += std::string(k ? "," : "") + "{" + numbers + ",\"topic\":" + json_string(stream.info.topic) +
      ",\"type\":" + json_string(stream.info.type) + ",\"label\":" + json_string(stream.info.label) +
      ",\"codec\":" + json_string(stream.info.codec) + "}";
  }
  return json + "]}";
}

std::size_t FrameHub::viewers() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return viewers_.size();
}

uint64_t FrameHub::skipped() const
{
  std::lock_guard<std::mutex> lock(mutex_);
  return skipped_;
}

}  // namespace web
