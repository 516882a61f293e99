// One side of a two-process exchange of every message type over Fast DDS:
//   dds_exchange send|receive plain|class [--domain N] [--transport T]
// Both sides make the same messages from a fixed seed (an 8 MiB Image among
// them, which Fast DDS must fragment). The receiver checks that what arrived
// equals what the sender made, in its own representation.

#include <condition_variable>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>

#include "classes.hpp"
#include "dds/session.hpp"
#include "fastdds/dds/subscriber/SampleInfo.hpp"
#include "CLI/App.hpp"
#include "CLI/Config.hpp"
#include "CLI/Formatter.hpp"

namespace
{
using namespace test_support;

struct Settings
{
  bool plain;
  int domain;
  orvane_dds::Transport transport;
};

// The messages of one type, the same in every process.
template<class Record>
std::vector<std::unique_ptr<Plain<Record>>> expected_messages(unsigned type_index)
{
  std::mt19937 rng(1000 + type_index);
  std::vector<std::unique_ptr<Plain<Record>>> messages;
  for (int i = 0; i < 4; ++i) {
    messages.push_back(std::make_unique<Plain<Record>>());
    randomize(**messages.back(), rng, RandomShape{20, 3000, 3});
  }
  if constexpr (std::is_same_v<Record, orvane_h26x_msgs__msg__Image>) {
    auto & big = *messages.back();
    rosidl_runtime_c__uint8__Sequence__fini(&big->data);
    rosidl_runtime_c__uint8__Sequence__init(&big->data, (std::size_t{8} << 20) + 3);
    for (std::size_t i = 0; i < big->data.size; ++i) {
      big->data.data[i] = static_cast<uint8_t>(i * 31 + (i >> 16));
    }
  }
  return messages;
}

template<class Record>
const rosidl_message_type_support_t * handle(bool plain)
{
  using Class = typename ClassOf<Record>::type;
  return plain ? detail::PlainCdrFunctions<Record>::handle() :
         rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Class>();
}

template<class Record>
class Side
{
public:
  using Class = typename ClassOf<Record>::type;

  Side(const Settings & settings, unsigned type_index)
  : settings_(settings), expected_(expected_messages<Record>(type_index)),
    session_(
      handle<Record>(settings.plain), record_factory(settings.plain),
      std::string("rt/exchange/") + detail::FieldList<Record>::name, settings.domain, settings.transport)
  {}

  // Sender: the messages in this side's representation, in order.
  bool send()
  {
    if (!session_.wait_for_reader(std::chrono::seconds(20))) {
      std::cerr << "no reader for " << detail::FieldList<Record>::name << "\n";
      return false;
    }
    for (auto & message : expected_) {
      bool ok;
      if (settings_.plain) {
        ok = session_.writer()->write(message->get());
      } else {
        Class object;
        read_class(write_plain(**message), object);
        ok = session_.writer()->write(&object);
      }
      if (!ok) {
        return false;
      }
    }
    return session_.writer()->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(30, 0)) ==
           ReturnCode_t::RETCODE_OK;
  }

  // Receiver: takes what arrives; true once every expected message is in
  // and equals its counterpart.
  class Listener : public eprosima::fastdds::dds::DataReaderListener
  {
  public:
    explicit Listener(Side * side) : side_(side) {}
    void on_data_available(eprosima::fastdds::dds::DataReader * reader) override {side_->take(reader);}

  private:
    Side * side_;
  };

  void start_receiving() {session_.reader(&listener_);}

  bool wait_and_check(std::chrono::seconds timeout)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [this] {return received_ >= expected_.size();})) {
      std::cerr << detail::FieldList<Record>::name << ": " << received_ << " of " << expected_.size() << " arrived\n";
      return false;
    }
    return mismatches_ == 0;
  }

private:
  static orvane_dds::MessageFactory record_factory(bool plain)
  {
    if (plain) {
      // The plain type support reads into records made by the C API.
      return {[] {return static_cast<void *>(detail::PlainFunctions<Record>::create());},
        [](void * m) {detail::PlainFunctions<Record>::destroy(static_cast<Record *>(m));}};
    }
    return {[] {return static_cast<void *>(new Class());}, [](void * m) {delete static_cast<Class *>(m);}};
  }

  void take(eprosima::fastdds::dds::DataReader * reader)
  {
    eprosima::fastdds::dds::SampleInfo info;
    for (;;) {
      bool equal;
      if (settings_.plain) {
        Plain<Record> message;
        if (reader->take_next_sample(message.get(), &info) != ReturnCode_t::RETCODE_OK) {
          return;
        }
        if (!info.valid_data) {
          continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        equal = received_ < expected_.size() &&
          detail::PlainFunctions<Record>::are_equal(message.get(), expected_[received_]->get());
      } else {
        Class message;
        if (reader->take_next_sample(&message, &info) != ReturnCode_t::RETCODE_OK) {
          return;
        }
        if (!info.valid_data) {
          continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        // Equal bytes from the two writers mean equal contents.
        equal = received_ < expected_.size() && write_class(message) == write_plain(**expected_[received_]);
      }
      std::lock_guard<std::mutex> lock(mutex_);
      if (!equal) {
        ++mismatches_;
        std::cerr << detail::FieldList<Record>::name << " message " << received_ << " differs\n";
      }
      ++received_;
      arrived_.notify_all();
    }
  }

  Settings settings_;
  std::vector<std::unique_ptr<Plain<Record>>> expected_;
  orvane_dds::Session session_;
  Listener listener_{this};
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::size_t received_ = 0;
  std::size_t mismatches_ = 0;
};

template<class Record>
bool run(bool sending, const Settings & settings, unsigned type_index)
{
  Side<Record> side(settings, type_index);
  if (sending) {
    return side.send();
  }
  side.start_receiving();
  return side.wait_and_check(std::chrono::seconds(60));
}
}  // namespace

int main(int argc, char ** argv)
try {
  if (argc < 3) {
    std::cerr << "usage: dds_exchange send|receive plain|class [--domain N] [--transport T]\n";
    return 2;
  }
  std::string domain = "0", transport = "shm";
  CLI::App app{"dds_exchange"};
  app.add_option("--domain", domain);
  app.add_option("--transport", transport);
  app.parse(argc - 2, argv + 2);
  const bool sending = std::string(argv[1]) == "send";
  const Settings settings{std::string(argv[2]) == "plain", std::stoi(domain), orvane_dds::parse_transport(transport)};
  bool ok = true;
  unsigned type_index = 0;
#define ORVANE_EXCHANGE(Msg) ok = run<orvane_h26x_msgs__msg__ ## Msg>(sending, settings, type_index++) && ok;
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_EXCHANGE)
  std::cerr << argv[1] << " " << argv[2] << ": " << (ok ? "every message type exchanged intact" : "FAILED") << "\n";
  return ok ? 0 : 1;
} catch (const std::exception & error) {
  std::cerr << "dds_exchange: " << error.what() << "\n";
  return 1;
}
