// Cost of the CDR type supports next to a plain memcpy of the same payload
// bytes, measured in the same run. Writes and reads go through the callbacks
// records as the middleware calls them: size first, then one buffer.
//
//   bench_cdr [Google Benchmark flags]
//
// After the usual table a second one gives each operation's throughput as a
// fraction of memcpy's (1.0 = as fast as copying the payload once), from the
// medians when --benchmark_repetitions is given.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "classes.hpp"

namespace
{
using namespace test_support;
using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;

const std::size_t kPayloads[] = {1024, 100 * 1024, 8 * 1024 * 1024};

// A payload of `bytes` in one Image, or spread over a MultiCompressed of four
// MultiImages (with two headers and topics each) and two OriginalImages.
template<class Record>
void fill(Record & record, std::size_t bytes);

void fill_bytes(rosidl_runtime_c__uint8__Sequence & data, std::size_t size)
{
  rosidl_runtime_c__uint8__Sequence__fini(&data);
  rosidl_runtime_c__uint8__Sequence__init(&data, size);
  for (std::size_t i = 0; i < size; ++i) {
    data.data[i] = static_cast<uint8_t>(i * 7);
  }
}

template<>
void fill(orvane_h26x_msgs__msg__Image & image, std::size_t bytes)
{
  rosidl_runtime_c__String__assign(&image.header.frame_id, "camera");
  rosidl_runtime_c__String__assign(&image.encoding, "h264");
  fill_bytes(image.data, bytes);
}

template<>
void fill(orvane_h26x_msgs__msg__MultiCompressed & multi, std::size_t bytes)
{
  rosidl_runtime_c__String__assign(&multi.header.frame_id, "rig");
  orvane_h26x_msgs__msg__MultiImage__Sequence__init(&multi.h26x_images, 4);
  orvane_h26x_msgs__msg__OriginalImage__Sequence__init(&multi.original_images, 2);
  for (std::size_t i = 0; i < 4; ++i) {
    auto & image = multi.h26x_images.data[i];
    std_msgs__msg__Header__Sequence__init(&image.header, 2);
    rosidl_runtime_c__String__Sequence__init(&image.topic_name, 2);
    for (std::size_t j = 0; j < 2; ++j) {
      rosidl_runtime_c__String__assign(&image.header.data[j].frame_id, "camera");
      rosidl_runtime_c__String__assign(&image.topic_name.data[j], "/camera/h264");
    }
    fill_bytes(image.is_vaild, 2);
    rosidl_runtime_c__String__assign(&image.encoding, "h264");
    fill_bytes(image.data, bytes / 8);
  }
  for (std::size_t i = 0; i < 2; ++i) {
    auto & original = multi.original_images.data[i];
    rosidl_runtime_c__String__Sequence__init(&original.topic_name, 1);
    rosidl_runtime_c__String__assign(&original.topic_name.data[0], "/camera/raw");
    rosidl_runtime_c__String__assign(&original.encoding, "rgb8");
    fill_bytes(original.data, bytes / 4);
  }
}

std::string label(const char * operation, const char * message, std::size_t payload)
{
  return std::string(operation) + "/" + message + "/" + std::to_string(payload);
}

// The baseline: copying the payload once between two cache-line aligned
// buffers, memcpy's best case.
void bench_memcpy(benchmark::State & state, std::size_t payload)
{
  auto * from = static_cast<char *>(std::aligned_alloc(64, payload));
  auto * to = static_cast<char *>(std::aligned_alloc(64, payload));
  std::memset(from, 1, payload);
  std::memset(to, 0, payload);
  for (auto _ : state) {
    std::memcpy(to, from, payload);
    benchmark::DoNotOptimize(to);
    benchmark::ClobberMemory();
  }
  std::free(from);
  std::free(to);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload));
}

// Serialize, read into a fresh message, read into a reused message, through
// the callbacks record of one representation.
template<class Record, bool Plain>
void register_message(const char * name, std::size_t payload)
{
  using Class = typename ClassOf<Record>::type;
  auto source = std::make_shared<test_support::Plain<Record>>();
  fill(**source, payload);
  const Bytes bytes = write_plain(**source);
  auto object = std::make_shared<Class>();
  read_class(bytes, *object);
  const rosidl_message_type_support_t * handle = Plain ?
    detail::PlainCdrFunctions<Record>::handle() :
    rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Class>();
  const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(handle->data);
  const void * message = Plain ? static_cast<const void *>(source->get()) : static_cast<const void *>(object.get());
  const char * kind = Plain ? "plain" : "class";

  benchmark::RegisterBenchmark(
    label((std::string(kind) + "_serialize").c_str(), name, payload).c_str(),
    [=](benchmark::State & state) {
      std::vector<char> buffer;
      for (auto _ : state) {
        const uint32_t size = callbacks->get_serialized_size(message);
        if (buffer.size() < size) {
          buffer.resize(size);
        }
        FastBuffer fast_buffer(buffer.data(), size);
        Cdr cdr(fast_buffer);
        callbacks->cdr_serialize(message, cdr);
        benchmark::DoNotOptimize(buffer.data());
      }
      (void)source;
      (void)object;
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload));
    });

  auto reader = [=](bool fresh) {
      return [=](benchmark::State & state) {
               std::vector<char> buffer(bytes.begin(), bytes.end());
               void * reused = Plain ?
                 static_cast<void *>(detail::PlainFunctions<Record>::create()) : static_cast<void *>(new Class());
               auto release = [](void * m) {
                   if (Plain) {
                     detail::PlainFunctions<Record>::destroy(static_cast<Record *>(m));
                   } else {
                     delete static_cast<Class *>(m);
                   }
                 };
               for (auto _ : state) {
                 void * target = reused;
                 if (fresh) {
                   target = Plain ?
                     static_cast<void *>(detail::PlainFunctions<Record>::create()) : static_cast<void *>(new Class());
                 }
                 FastBuffer fast_buffer(buffer.data(), buffer.size());
                 Cdr cdr(fast_buffer);
                 callbacks->cdr_deserialize(cdr, target);
                 benchmark::DoNotOptimize(target);
                 if (fresh) {
                   release(target);
                 }
               }
               release(reused);
               state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload));
             };
    };
  benchmark::RegisterBenchmark(
    label((std::string(kind) + "_read_fresh").c_str(), name, payload).c_str(), reader(true));
  benchmark::RegisterBenchmark(
    label((std::string(kind) + "_read_reused").c_str(), name, payload).c_str(), reader(false));
}

// The exact size of a Compressed with eight images, in both representations.
void register_sizes()
{
  auto compressed = std::make_shared<test_support::Plain<orvane_h26x_msgs__msg__Compressed>>();
  orvane_h26x_msgs__msg__Image__Sequence__init(&(*compressed)->images, 8);
  for (std::size_t i = 0; i < 8; ++i) {
    fill((*compressed)->images.data[i], 1000);
  }
  auto object = std::make_shared<orvane_h26x_msgs::msg::Compressed>();
  read_class(write_plain(**compressed), *object);
  benchmark::RegisterBenchmark(
    "plain_exact_size/Compressed_8_images", [=](benchmark::State & state) {
      for (auto _ : state) {
        benchmark::DoNotOptimize(get_serialized_size_orvane_h26x_msgs__msg__Compressed(compressed->get(), 0));
      }
    });
  benchmark::RegisterBenchmark(
    "class_exact_size/Compressed_8_images", [=](benchmark::State & state) {
      for (auto _ : state) {
        benchmark::DoNotOptimize(orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::get_serialized_size(*object, 0));
      }
    });
}

// Prints, after the usual table, each operation's throughput over memcpy's.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
  void ReportRuns(const std::vector<Run> & runs) override
  {
    // With repetitions, the median; otherwise the single run.
    for (const Run & run : runs) {
      if (run.error_occurred) {
        continue;
      }
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        seconds_[run.run_name.str()] = run.GetAdjustedRealTime();
        medians_ = true;
      } else if (run.run_type == Run::RT_Iteration && !medians_) {
        seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override
  {
    ConsoleReporter::Finalize();
    std::printf("\n%-44s %10s\n", "operation / message / payload bytes", "vs memcpy");
    for (const auto & [name, time] : seconds_) {
      const std::size_t slash = name.rfind('/');
      if (name.rfind("memcpy", 0) == 0 || slash == std::string::npos) {
        continue;
      }
      const auto baseline = seconds_.find("memcpy/" + name.substr(slash + 1));
      if (baseline != seconds_.end() && time > 0) {
        std::printf("%-44s %10.2f\n", name.c_str(), baseline->second / time);
      }
    }
  }

private:
  std::map<std::string, double> seconds_;
  bool medians_ = false;
};
}  // namespace

int main(int argc, char ** argv)
{
  for (std::size_t payload : kPayloads) {
    benchmark::RegisterBenchmark(("memcpy/" + std::to_string(payload)).c_str(), bench_memcpy, payload);
    register_message<orvane_h26x_msgs__msg__Image, true>("Image", payload);
    register_message<orvane_h26x_msgs__msg__Image, false>("Image", payload);
    register_message<orvane_h26x_msgs__msg__MultiCompressed, true>("MultiCompressed", payload);
    register_message<orvane_h26x_msgs__msg__MultiCompressed, false>("MultiCompressed", payload);
  }
  register_sizes();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
