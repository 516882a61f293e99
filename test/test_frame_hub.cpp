// The browser viewer's hub: a viewer that stops reading holds a bounded
// queue and resumes at a key frame, never holding up the others; a late
// viewer starts at the last key frame.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "web/frame_hub.hpp"

namespace
{
constexpr int kGop = 50;

web::Frame frame_number(uint64_t count, std::size_t bytes = 1000)
{
  web::Frame frame;
  frame.key = count % kGop == 0;
  frame.stamp_ns = static_cast<int64_t>(count) * 40000000;
  frame.count = count;
  frame.data = std::make_shared<const std::vector<uint8_t>>(bytes, static_cast<uint8_t>(count));
  return frame;
}

struct Received
{
  uint64_t count;
  uint8_t flags;
  uint32_t dropped;
};

// Takes every frame message queued for the viewer.
std::vector<Received> drain(web::FrameHub & hub, web::FrameHub::Viewer & viewer)
{
  std::vector<Received> got;
  web::Outgoing out;
  while (hub.next(viewer, out)) {
    if (!out.text.empty()) {
      continue;
    }
    uint64_t count = 0;
    for (int i = 0; i < 8; ++i) {
      count |= uint64_t{out.header[16 + i]} << (8 * i);
    }
    const uint32_t dropped = out.header[24] | out.header[25] << 8 | out.header[26] << 16 | uint32_t{out.header[27]} << 24;
    EXPECT_EQ(out.data->front(), static_cast<uint8_t>(count));
    got.push_back({count, out.header[1], dropped});
  }
  return got;
}

uint32_t add_stream(web::FrameHub & hub, const std::string & topic = "/camera")
{
  web::StreamInfo info;
  info.topic = topic;
  info.label = "stream 0";
  info.codec = "h264";
  return hub.stream(info);
}
}  // namespace

TEST(FrameHub, StalledViewerIsBoundedAndResumesAtAKeyFrameWhileOthersGetEverything)
{
  web::FrameHub hub;
  const uint32_t id = add_stream(hub);
  auto reading = hub.join([] {});
  auto stalled = hub.join([] {});
  ASSERT_TRUE(hub.subscribe(*reading, id));
  ASSERT_TRUE(hub.subscribe(*stalled, id));
  std::vector<Received> all;
  const uint64_t total = 961;  // ends 11 frames after a key frame
  for (uint64_t count = 0; count < total; ++count) {
    hub.publish(id, frame_number(count, 100000));
    for (const Received & got : drain(hub, *reading)) {
      all.push_back(got);
    }
  }
  ASSERT_EQ(all.size(), total);
  for (uint64_t count = 0; count < total; ++count) {
    EXPECT_EQ(all[count].count, count);
    EXPECT_EQ(all[count].dropped, 0u);
  }
  // The stalled viewer holds at most kQueuedFrames frames, from a key frame on, after a skip.
  const std::vector<Received> late = drain(hub, *stalled);
  ASSERT_FALSE(late.empty());
  EXPECT_LE(late.size(), web::kQueuedFrames);
  EXPECT_EQ(late.front().count % kGop, 0u);
  EXPECT_NE(late.front().flags & web::AFTER_SKIP, 0);
  for (std::size_t k = 1; k < late.size(); ++k) {
    EXPECT_EQ(late[k].count, late[k - 1].count + 1);
  }
  // Every frame is either delivered or counted as dropped.
  EXPECT_EQ(late.back().dropped + late.size(), total);
  EXPECT_EQ(hub.skipped(), late.back().dropped);
}

TEST(FrameHub, LateViewerStartsAtTheLastKeyFrameAndGoesOnLive)
{
  web::FrameHub hub;
  const uint32_t id = add_stream(hub);
  for (uint64_t count = 0; count < 120; ++count) {
    hub.publish(id, frame_number(count));
  }
  auto viewer = hub.join([] {});
  ASSERT_TRUE(hub.subscribe(*viewer, id));
  hub.publish(id, frame_number(120));
  const std::vector<Received> got = drain(hub, *viewer);
  ASSERT_EQ(got.size(), 21u);
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_EQ(got[k].count, 100 + k);
    EXPECT_EQ((got[k].flags & web::CATCH_UP) != 0, k < 20) << k;
  }
  EXPECT_NE(got.front().flags & web::KEY, 0);
}

TEST(FrameHub, KeyFrameTooFarBackIsNotKeptAndViewersWaitForTheNext)
{
  web::FrameHub hub;
  const uint32_t id = add_stream(hub);
  hub.publish(id, frame_number(0));
  for (uint64_t count = 1; count <= web::kCacheUnits; ++count) {
    web::Frame frame = frame_number(count);
    frame.key = false;
    hub.publish(id, frame);
  }
  EXPECT_TRUE(hub.cached(id).empty());
  auto viewer = hub.join([] {});
  ASSERT_TRUE(hub.subscribe(*viewer, id));
  web::Frame delta = frame_number(web::kCacheUnits + 1);
  delta.key = false;
  hub.publish(id, delta);
  web::Frame key = frame_number(web::kCacheUnits + 2);
  key.key = true;
  hub.publish(id, key);
  const std::vector<Received> got = drain(hub, *viewer);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].count, web::kCacheUnits + 2);
}

TEST(FrameHub, ViewersBeyondTheLimitAndUnknownStreamsAreRefused)
{
  web::FrameHub hub;
  std::vector<std::shared_ptr<web::FrameHub::Viewer>> viewers;
  for (std::size_t k = 0; k < web::kMaxViewers; ++k) {
    viewers.push_back(hub.join([] {}));
    ASSERT_TRUE(viewers.back());
  }
  EXPECT_FALSE(hub.join([] {}));
  EXPECT_FALSE(hub.subscribe(*viewers[0], 1));
  hub.leave(viewers[0]);
  EXPECT_TRUE(hub.join([] {}));
}

// Topics publish on one thread while viewers join, read and leave on another.
TEST(FrameHub, PublishingAndViewingFromTwoThreads)
{
  web::FrameHub hub;
  const uint32_t id = add_stream(hub);
  std::atomic<bool> stop{false};
  std::thread topics([&] {
      for (uint64_t count = 0; !stop; ++count) {
        hub.publish(id, frame_number(count, 64));
        if (count % 100 == 0) {
          hub.announce();
          // Room for the viewers' thread where threads take turns (valgrind).
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
    });
  uint64_t received = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (received < 200 && std::chrono::steady_clock::now() < deadline) {
    auto viewer = hub.join([] {});
    hub.subscribe(*viewer, id);
    for (int round = 0; round < 10; ++round) {
      received += drain(hub, *viewer).size();
    }
    hub.leave(viewer);
  }
  stop = true;
  topics.join();
  EXPECT_GE(received, 200u);
}
