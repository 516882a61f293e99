#ifndef ORVANE_H26X_MSGS_TOOLS__WEB__FRAME_HUB_HPP_
#define ORVANE_H26X_MSGS_TOOLS__WEB__FRAME_HUB_HPP_

// Between the topics and the browsers: every stream's frames as they come
// (H.264 access units as they came, JPEG pictures), the units from its last
// key frame on (a new viewer's picture at once), and each viewer's queue.
//
// Memory is bounded whatever the viewers do: a stream keeps at most
// kCacheUnits units and kCacheBytes bytes; a viewer's queue holds at most
// kQueuedFrames frames a stream that it has not been sent yet (besides the
// catch-up frames it joined with) and kQueuedBytes bytes. A viewer over
// either is skipped forward: what it had queued of that stream is dropped
// and counted, and it goes on at the stream's next key frame. Frames are
// shared, never copied a viewer.
//
// Thread-safe: the topics' side publishes, the server's thread takes.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace web
{

constexpr std::size_t kCacheUnits = 300;
constexpr std::size_t kCacheBytes = std::size_t{32} << 20;
constexpr std::size_t kQueuedFrames = 15;
constexpr std::size_t kQueuedBytes = std::size_t{8} << 20;
constexpr std::size_t kMaxViewers = 32;
constexpr std::size_t kMaxStreams = 64;

// The binary message a frame goes in: a 32-byte little-endian header, then
// the payload (an Annex-B access unit or a JPEG picture).
constexpr std::size_t kHeaderBytes = 32;
enum class FrameKind : uint8_t { ACCESS_UNIT = 1, JPEG = 2 };
enum FrameFlags : uint8_t { KEY = 1, CATCH_UP = 2, AFTER_SKIP = 4 };

struct StreamInfo
{
  std::string topic;  // the ROS topic
  std::string type;  // "orvane_h26x_msgs/msg/Compressed"
  std::string label;  // "stream 0", "original 1"
  std::string codec;  // "h264", "h265", or the raw encoding
  bool jpeg = false;  // sent as JPEG pictures the server made (else as access units)
  uint32_t width = 0;
  uint32_t height = 0;
};

struct Frame
{
  FrameKind kind = FrameKind::ACCESS_UNIT;
  bool key = false;
  int64_t stamp_ns = 0;
  uint64_t count = 0;
  std::shared_ptr<const std::vector<uint8_t>> data;
};

// What a viewer is sent next: a header of its own and a frame's shared
// bytes, or a text.
struct Outgoing
{
  std::array<uint8_t, kHeaderBytes> header{};
  std::shared_ptr<const std::vector<uint8_t>> data;
  std::string text;  // when not empty: a text message instead
};

class FrameHub
{
public:
  class Viewer;

  // The stream's number (the same for the same topic and label), or 0 when
  // there are kMaxStreams already.
  uint32_t stream(const StreamInfo & info);
  // A frame of the stream came (for its rate and count), published or not.
  void seen(uint32_t stream, int64_t stamp_ns);
  void publish(uint32_t stream, Frame frame);
  // The stream's publisher said it ended.
  void ended(uint32_t stream);
  // Whether any viewer watches the stream (pictures are made only then).
  bool watched(uint32_t stream) const;
  // The stream's units from its last key frame on.
  std::vector<Frame> cached(uint32_t stream) const;

  // A new viewer, or none when there are kMaxViewers. `wake` is called
  // (from any thread) when it has something to send.
  std::shared_ptr<Viewer> join(std::function<void()> wake);
  void leave(const std::shared_ptr<Viewer> & viewer);
  // The viewer starts with the stream's cached units; false for no such stream.
  bool subscribe(Viewer & viewer, uint32_t stream);
  // False when the viewer did not watch it.
  bool unsubscribe(Viewer & viewer, uint32_t stream);
  // The next message for the viewer; false when there is none now.
  bool next(Viewer & viewer, Outgoing & out);
  // Queues the streams' list (JSON) for every viewer, replacing a list not
  // sent yet. Called about once a second.
  void announce();
  std::string streams_json() const;

  std::size_t viewers() const;
  // Frames skipped for all viewers so far.
  uint64_t skipped() const;

private:
  struct Stream
  {
    StreamInfo info;
    std::deque<Frame> cache;
    std::size_t cache_bytes = 0;
    bool cache_complete = false;  // starts at a key frame
    uint64_t frames = 0;
    bool ended = false;
    std::deque<int64_t> recent;  // stamps of the last second, for the rate
  };
  void queue(Viewer & viewer, uint32_t stream, const Frame & frame, uint8_t flags);
  void wake(Viewer & viewer);

  mutable std::mutex mutex_;
  std::vector<Stream> streams_;  // stream k + 1 at index k
  std::set<std::shared_ptr<Viewer>> viewers_;
  uint64_t skipped_ = 0;
};

}  // namespace web

#endif  // ORVANE_H26X_MSGS_TOOLS__WEB__FRAME_HUB_HPP_
