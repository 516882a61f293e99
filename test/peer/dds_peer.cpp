// An independent DDS peer of the stream tools: a plain Fast DDS program that
// knows the messages only from their field lists. Its types are built at run
// time with Fast DDS's dynamic-types API and registered under the ROS 2 names
// ("orvane_h26x_msgs::msg::dds_::Compressed_", ...); no type support of this
// package and no code generator is involved. Raw modes write CDR laid out by
// hand here, for hostile samples and for the end-to-end benchmark.
//
//   dds_peer type-name TYPE
//   dds_peer receive  [--type Compressed|MultiCompressed] --output FILE [common]
//   dds_peer send     [--type ...] --input FILE [--input FILE]... [--fps N] [common]
//   dds_peer hostile  --input FILE [common]
//   dds_peer bench-receive [common]
//   dds_peer bench-send --raw WIDTHxHEIGHT --frames N | --input FILE [common]
//   dds_peer camera   --encoding E --raw WIDTHxHEIGHT [--fps N] --output FILE [common]
// common: --topic DDS_TOPIC --domain N --transport node|shm|udp-loopback [--best-effort] [--tools-qos]
//         [--timeout S]
//
// receive writes image k of every message to FILE (one image per message) or
// FILE.<k>, concatenated, until a message whose header says "end-of-stream",
// and each message's stamp and frame_id as a line of FILE.stamps.
// camera is a camera driver: sensor_msgs/Image in encoding E (rgb8, bgr8,
// rgba8, bgra8, mono8, mono16 (big-endian), yuv422, yuv422_yuy2, uyvy,
// nv12; 32FC1, zeros), frame i stamped (start second, i ns) and framed "peer_camera",
// picture i % 8 of a pattern laid out here, until stopped; the eight
// pictures are written to FILE.
// send puts frame i of every input into message i (a stereo sender when there
// are two inputs), then the end-of-stream marker.

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "annexb.hpp"
#include "dds/handle_topic_type.hpp"
#include "dds/session.hpp"
#include "fastdds/dds/domain/DomainParticipant.hpp"
#include "fastdds/dds/domain/DomainParticipantFactory.hpp"
#include "fastdds/rtps/transport/UDPv4TransportDescriptor.h"
#include "fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h"
#include "fastdds/dds/publisher/DataWriter.hpp"
#include "fastdds/dds/publisher/Publisher.hpp"
#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/DataReaderListener.hpp"
#include "fastdds/dds/subscriber/SampleInfo.hpp"
#include "fastdds/dds/subscriber/Subscriber.hpp"
#include "fastdds/dds/topic/Topic.hpp"
#include "fastdds/dds/topic/TopicDataType.hpp"
#include "fastdds/dds/topic/TypeSupport.hpp"
#include "fastrtps/types/DynamicDataFactory.h"
#include "fastrtps/types/DynamicPubSubType.h"
#include "fastrtps/types/DynamicTypeBuilderFactory.h"
#include "fastrtps/types/DynamicTypeBuilderPtr.h"
#include "orvane_h26x_msgs/msg/detail/compressed__fields.h"
#include "orvane_h26x_msgs/msg/detail/dual_compressed_image__fields.h"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"
#include "orvane_h26x_msgs/msg/detail/image__fields.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__fields.h"
#include "orvane_h26x_msgs/msg/detail/multi_image__fields.h"
#include "orvane_h26x_msgs/msg/detail/original_image__fields.h"
#include "foreign/foreign_fields.h"
#include "CLI/App.hpp"
#include "CLI/Config.hpp"
#include "CLI/Formatter.hpp"

namespace
{
using namespace eprosima::fastdds::dds;
using namespace eprosima::fastrtps::types;
using orvane_h26x_msgs::msg::detail::FieldKind;

// The frame_id of the stream tools' end-of-stream marker.
constexpr const char * kEndOfStream = "end-of-stream";

// What the command line gives (see the top of this file).
struct Options
{
  std::string type = "Compressed";
  std::string output = "peer.h26x";
  std::vector<std::string> inputs;
  double fps = 0;
  std::string raw = "1920x1080";
  uint64_t frames = 100;
  std::string encoding = "rgb8";
};

// The camera sends until SIGTERM or SIGINT.
volatile std::sig_atomic_t stop_camera = 0;

// Wall-clock time as a header stamp, and back, for latency across processes.
void now_stamp(int32_t & sec, uint32_t & nanosec)
{
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
  sec = static_cast<int32_t>(ns / 1000000000);
  nanosec = static_cast<uint32_t>(ns % 1000000000);
}

double seconds_since(int32_t sec, uint32_t nanosec)
{
  const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  return now - (static_cast<double>(sec) + static_cast<double>(nanosec) * 1e-9);
}

double percentile(std::vector<double> values, double fraction)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * double(values.size() - 1) + 0.5))];
}

// ---- the types, from the field lists ----

struct FieldLine
{
  const char * name;
  FieldKind kind;
  const char * element;
};

#define PEER_FIELD_LINE(name, kind, element) {#name, FieldKind::kind, #element},
#define PEER_FIELD_LINES(Type) {#Type, {orvane_h26x_msgs__msg__ ## Type ## __FIELDS(PEER_FIELD_LINE)}},
const std::map<std::string, std::vector<FieldLine>> kFieldLines = {
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(PEER_FIELD_LINES)
  {"sensor_msgs/Image", {sensor_msgs__msg__Image__FIELDS(PEER_FIELD_LINE)}},
};

DynamicTypeBuilderFactory & factory() {return *DynamicTypeBuilderFactory::get_instance();}

// Fast DDS 2.9 has no unbounded dynamic sequence (bound 0 gives its default
// of 100 elements). The bounds only limit what the peer can hold: frames up
// to 4 MiB, 64 elements in other sequences, strings of 4 KiB. On the wire a
// bounded sequence is the same as an unbounded one.
constexpr uint32_t kMaxBytes = 4 << 20;
constexpr uint32_t kMaxItems = 64;

DynamicType_ptr sequence(DynamicType_ptr element, uint32_t bound)
{
  return DynamicTypeBuilder_ptr(factory().create_sequence_builder(element, bound))->build();
}

DynamicType_ptr string_type() {return factory().create_string_type(4096);}

DynamicType_ptr time_type()
{
  static DynamicType_ptr time = [] {
      DynamicTypeBuilder_ptr builder(factory().create_struct_builder());
      builder->add_member(0, "sec", factory().create_int32_type());
      builder->add_member(1, "nanosec", factory().create_uint32_type());
      builder->set_name("builtin_interfaces::msg::dds_::Time_");
      return builder->build();
    }();
  return time;
}

DynamicType_ptr header_type()
{
  static DynamicType_ptr header = [] {
      DynamicTypeBuilder_ptr builder(factory().create_struct_builder());
      builder->add_member(0, "stamp", time_type());
      builder->add_member(1, "frame_id", string_type());
      builder->set_name("std_msgs::msg::dds_::Header_");
      return builder->build();
    }();
  return header;
}

// "Compressed" -> "orvane_h26x_msgs::msg::dds_::Compressed_"; a foreign
// "sensor_msgs/Image" -> "sensor_msgs::msg::dds_::Image_".
std::string dds_name(const std::string & type)
{
  const std::size_t slash = type.find('/');
  return slash == std::string::npos ? "orvane_h26x_msgs::msg::dds_::" + type + "_" :
         type.substr(0, slash) + "::msg::dds_::" + type.substr(slash + 1) + "_";
}

DynamicType_ptr message_type(const std::string & type)
{
  static std::map<std::string, DynamicType_ptr> built;
  if (built.count(type)) {
    return built[type];
  }
  DynamicTypeBuilder_ptr builder(factory().create_struct_builder());
  MemberId id = 0;
  for (const FieldLine & field : kFieldLines.at(type)) {
    DynamicType_ptr member;
    switch (field.kind) {
      case FieldKind::UINT8: member = factory().create_byte_type(); break;
      case FieldKind::UINT32: member = factory().create_uint32_type(); break;
      case FieldKind::UINT64: member = factory().create_uint64_type(); break;
      case FieldKind::STRING: member = string_type(); break;
      case FieldKind::UINT8_SEQUENCE: member = sequence(factory().create_byte_type(), kMaxBytes); break;
      case FieldKind::STRING_SEQUENCE: member = sequence(string_type(), kMaxItems); break;
      case FieldKind::HEADER: member = header_type(); break;
      case FieldKind::HEADER_SEQUENCE: member = sequence(header_type(), kMaxItems); break;
      case FieldKind::MESSAGE_SEQUENCE: member = sequence(message_type(field.element), kMaxItems); break;
      case FieldKind::TIME: member = time_type(); break;
    }
    builder->add_member(id++, field.name, member);
  }
  builder->set_name(dds_name(type));
  return built[type] = builder->build();
}

// The type support of a dynamic type. Matching goes by type name, as with
// the ROS 2 middleware; no type object is sent (Fast DDS 2.9 fails to build
// one for sequences of nested structs).
DynamicPubSubType * dynamic_type_support(const std::string & type)
{
  auto * support = new DynamicPubSubType(message_type(type));
  support->auto_fill_type_object(false);
  support->auto_fill_type_information(false);
  return support;
}

// ---- reading and writing dynamic data ----

// A member of a struct, or an element of a sequence, loaned and given back.
class Loan
{
public:
  Loan(DynamicData * owner, MemberId id) : owner_(owner), data_(owner->loan_value(id))
  {
    if (!data_) {
      throw std::runtime_error("cannot loan member " + std::to_string(id));
    }
  }
  Loan(DynamicData * owner, const char * name) : Loan(owner, owner->get_member_id_by_name(name)) {}
  ~Loan() {owner_->return_loaned_value(data_);}
  Loan(const Loan &) = delete;
  Loan & operator=(const Loan &) = delete;
  DynamicData * operator->() const {return data_;}
  DynamicData * get() const {return data_;}

private:
  DynamicData * owner_;
  DynamicData * data_;
};

// A new element at the end of the sequence `sequence`.
MemberId append(DynamicData * sequence)
{
  MemberId id = MEMBER_ID_INVALID;
  if (sequence->insert_sequence_data(id) != ReturnCode_t::RETCODE_OK) {
    throw std::runtime_error("cannot grow a sequence");
  }
  return id;
}

void set_bytes(DynamicData * sequence, const uint8_t * data, std::size_t size)
{
  for (std::size_t i = 0; i < size; ++i) {
    MemberId id = MEMBER_ID_INVALID;
    sequence->insert_byte_value(data[i], id);
  }
}

std::vector<uint8_t> get_bytes(DynamicData * sequence)
{
  std::vector<uint8_t> bytes(sequence->get_item_count());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = sequence->get_byte_value(static_cast<MemberId>(i));
  }
  return bytes;
}

void set_header(DynamicData * header, const char * frame_id)
{
  Loan stamp(header, "stamp");
  int32_t sec;
  uint32_t nanosec;
  now_stamp(sec, nanosec);
  stamp->set_int32_value(sec, stamp->get_member_id_by_name("sec"));
  stamp->set_uint32_value(nanosec, stamp->get_member_id_by_name("nanosec"));
  header->set_string_value(frame_id, header->get_member_id_by_name("frame_id"));
}

std::string frame_id_of(DynamicData * header)
{
  return header->get_string_value(header->get_member_id_by_name("frame_id"));
}

// ---- raw CDR, laid out by hand ----

// Little-endian CDR with its encapsulation; alignment counts from the body.
class CdrWriter
{
public:
  CdrWriter() : bytes_{0x00, 0x01, 0x00, 0x00} {}
  template<class T>
  void put(T value)
  {
    align(sizeof(T));
    const auto * raw = reinterpret_cast<const uint8_t *>(&value);
    bytes_.insert(bytes_.end(), raw, raw + sizeof(T));
  }
  void put_string(const std::string & text)
  {
    put<uint32_t>(static_cast<uint32_t>(text.size() + 1));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
  }
  void put_bytes(const uint8_t * data, std::size_t size)
  {
    put<uint32_t>(static_cast<uint32_t>(size));
    bytes_.insert(bytes_.end(), data, data + size);
  }
  void put_header(int32_t sec, uint32_t nanosec, const std::string & frame_id)
  {
    put(sec);
    put(nanosec);
    put_string(frame_id);
  }
  std::vector<uint8_t> & bytes() {return bytes_;}

private:
  void align(std::size_t size)
  {
    while ((bytes_.size() - 4) % size) {
      bytes_.push_back(0);
    }
  }
  std::vector<uint8_t> bytes_;
};

// Samples that are CDR bytes as they are, under a given type name.
class RawTopicType : public TopicDataType
{
public:
  explicit RawTopicType(const std::string & name)
  {
    setName(name.c_str());
    m_typeSize = 64;  // payloads grow to each sample
    m_isGetKeyDefined = false;
    auto_fill_type_object(false);
    auto_fill_type_information(false);
  }
  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override
  {
    const auto & bytes = *static_cast<std::vector<uint8_t> *>(data);
    if (bytes.size() > payload->max_size) {
      return false;
    }
    std::memcpy(payload->data, bytes.data(), bytes.size());
    payload->length = static_cast<uint32_t>(bytes.size());
    payload->encapsulation = bytes.size() > 1 && bytes[1] == 0 ? CDR_BE : CDR_LE;
    return true;
  }
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override
  {
    static_cast<std::vector<uint8_t> *>(data)->assign(payload->data, payload->data + payload->length);
    return true;
  }
  std::function<uint32_t()> getSerializedSizeProvider(void * data) override
  {
    return [data] {return static_cast<uint32_t>(static_cast<std::vector<uint8_t> *>(data)->size());};
  }
  void * createData() override {return new std::vector<uint8_t>();}
  void deleteData(void * data) override {delete static_cast<std::vector<uint8_t> *>(data);}
  bool getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool) override {return false;}
};

// ---- the DDS side ----

struct Common
{
  std::string topic;
  int domain;
  orvane_dds::Transport transport;
  bool best_effort;
  bool tools_qos;
  double timeout;
};

// What a ROS 2 node offers by default (reliable, volatile, keep-last; the
// depth is 1000 rather than ROS 2's 10, since a burst larger than the depth
// overwrites samples not yet sent and the tests send bursts), sensor-data QoS
// with --best-effort (best-effort, keep-last 5), or with
// --tools-qos what h26x_publisher offers (reliable, transient-local, keep-all
// with 64 samples in flight), for the benchmark.
DataWriterQos writer_qos(Publisher * publisher, const Common & common)
{
  DataWriterQos qos = publisher->get_default_datawriter_qos();
  qos.durability().kind = VOLATILE_DURABILITY_QOS;
  qos.publish_mode().kind = ASYNCHRONOUS_PUBLISH_MODE;
  // Payloads as large as each sample: the dynamic types' maxima are large.
  qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::DYNAMIC_REUSABLE_MEMORY_MODE;
  qos.reliability().kind = common.best_effort ? BEST_EFFORT_RELIABILITY_QOS : RELIABLE_RELIABILITY_QOS;
  qos.reliability().max_blocking_time = eprosima::fastrtps::Duration_t(10, 0);
  qos.history().kind = KEEP_LAST_HISTORY_QOS;
  qos.history().depth = common.best_effort ? 5 : 1000;
  if (common.tools_qos) {
    qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
    qos.durability().kind = TRANSIENT_LOCAL_DURABILITY_QOS;
    qos.history().kind = KEEP_ALL_HISTORY_QOS;
    qos.resource_limits().max_samples = 64;
    qos.resource_limits().max_samples_per_instance = 64;
  }
  return qos;
}

DataReaderQos reader_qos(Subscriber * subscriber, const Common & common)
{
  DataReaderQos qos = subscriber->get_default_datareader_qos();
  qos.durability().kind = VOLATILE_DURABILITY_QOS;
  qos.reliability().kind = common.best_effort ? BEST_EFFORT_RELIABILITY_QOS : RELIABLE_RELIABILITY_QOS;
  qos.history().kind = KEEP_ALL_HISTORY_QOS;
  qos.endpoint().history_memory_policy = common.tools_qos ?
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE :
    eprosima::fastrtps::rtps::DYNAMIC_REUSABLE_MEMORY_MODE;
  qos.resource_limits().max_samples = 64;
  qos.resource_limits().max_samples_per_instance = 64;
  return qos;
}

// A participant set up as rmw_fastrtps_cpp sets up a node's: Fast DDS's
// defaults, or with ROS_LOCALHOST_ONLY=1 shared memory and UDPv4 on
// 127.0.0.1 only.
DomainParticipant * node_participant(int domain)
{
  DomainParticipantFactory * factory = DomainParticipantFactory::get_instance();
  DomainParticipantQos qos = factory->get_default_participant_qos();
  const char * localhost_only = std::getenv("ROS_LOCALHOST_ONLY");
  if (localhost_only && std::string(localhost_only) == "1") {
    qos.transport().use_builtin_transports = false;
    qos.transport().user_transports.push_back(std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>());
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->interfaceWhiteList.emplace_back("127.0.0.1");
    qos.transport().user_transports.push_back(udp);
  }
  return factory->create_participant(domain, qos);
}

class Endpoint
{
public:
  Endpoint(const Common & common, TopicDataType * type) : type_(type)
  {
    participant_ = common.transport == orvane_dds::Transport::NODE ? node_participant(common.domain) :
      orvane_dds::create_participant(common.domain, common.transport, "dds_peer", nullptr, true);
    if (!participant_ || type_.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
      throw std::runtime_error("cannot create the participant");
    }
    topic_ = participant_->create_topic(common.topic, type_.get_type_name(), TOPIC_QOS_DEFAULT);
    if (!topic_) {
      throw std::runtime_error("cannot create topic " + common.topic);
    }
  }
  ~Endpoint()
  {
    participant_->delete_contained_entities();
    DomainParticipantFactory::get_instance()->delete_participant(participant_);
  }
  DataWriter * writer(const Common & common)
  {
    Publisher * publisher = participant_->create_publisher(PUBLISHER_QOS_DEFAULT);
    DataWriter * writer = publisher->create_datawriter(topic_, writer_qos(publisher, common));
    if (!orvane_dds::wait_for_matched_readers(
        writer, std::chrono::milliseconds(static_cast<long>(1000 * common.timeout))))
    {
      throw std::runtime_error("no reader matched on " + topic_->get_name());
    }
    return writer;
  }
  void reader(const Common & common, DataReaderListener * listener)
  {
    Subscriber * subscriber = participant_->create_subscriber(SUBSCRIBER_QOS_DEFAULT);
    subscriber->create_datareader(topic_, reader_qos(subscriber, common), listener);
  }

private:
  DomainParticipant * participant_ = nullptr;
  TypeSupport type_;
  Topic * topic_ = nullptr;
};

// Waits until `done` or the timeout; true when done.
class Completion
{
public:
  void finish()
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    changed_.notify_all();
  }
  bool wait(double seconds)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::duration<double>(seconds), [this] {return done_;});
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
};

// ---- receive ----

class Receiver : public DataReaderListener
{
public:
  Receiver(std::string type, std::string output) : type_(std::move(type)), output_(std::move(output)) {}

  void on_data_available(DataReader * reader) override
  {
    SampleInfo info;
    while (true) {
      // A fresh object each time: Fast DDS appends to the sequences of a reused one.
      DynamicData_ptr data(DynamicDataFactory::get_instance()->create_data(message_type(type_)));
      if (reader->take_next_sample(data.get(), &info) != ReturnCode_t::RETCODE_OK) {
        break;
      }
      if (info.valid_data) {
        take(data.get());
      }
    }
  }
  Completion done;
  std::size_t messages = 0;

private:
  void take(DynamicData * message)
  {
    Loan header(message, "header");
    const bool end = frame_id_of(header.get()) == kEndOfStream;
    if (!end) {
      Loan stamp(header.get(), "stamp");
      stamps_ << stamp->get_int32_value(stamp->get_member_id_by_name("sec")) << " " <<
        stamp->get_uint32_value(stamp->get_member_id_by_name("nanosec")) << " " << frame_id_of(header.get()) << "\n";
    }
    Loan images(message, type_ == "Compressed" ? "images" : "h26x_images");
    const uint32_t count = images->get_item_count();
    for (uint32_t k = 0; k < count && !end; ++k) {
      Loan image(images.get(), k);
      if (type_ == "MultiCompressed") {
        Loan valid(image.get(), "is_vaild");
        if (valid->get_item_count() == 0 || valid->get_byte_value(0) == 0) {
          continue;
        }
      }
      Loan bytes(image.get(), "data");
      const std::vector<uint8_t> data = get_bytes(bytes.get());
      file(k).write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    ++messages;
    if (end) {
      for (auto & [k, stream] : files_) {
        stream.close();
      }
      stamps_.close();
      done.finish();
    }
  }
  std::ofstream & file(uint32_t k)
  {
    if (!files_.count(k)) {
      const std::string path = type_ == "Compressed" && k == 0 ? output_ : output_ + "." + std::to_string(k);
      files_[k].open(path, std::ios::binary | std::ios::trunc);
    }
    return files_[k];
  }
  const std::string type_;
  const std::string output_;
  std::map<uint32_t, std::ofstream> files_;
  std::ofstream stamps_{output_ + ".stamps", std::ios::trunc};
};

int receive(const Common & common, const Options & options)
{
  const std::string type = options.type;
  Receiver receiver(type, options.output);
  Endpoint endpoint(common, dynamic_type_support(type));
  endpoint.reader(common, &receiver);
  if (!receiver.done.wait(common.timeout)) {
    std::cerr << "dds_peer: no end-of-stream marker within " << common.timeout << " s\n";
    return 1;
  }
  std::cerr << "dds_peer: received " << receiver.messages << " messages of " << dds_name(type) << "\n";
  return 0;
}

// ---- send ----

std::vector<uint8_t> read_file(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Input
{
  std::vector<uint8_t> bytes;
  std::vector<annexb::AccessUnit> units;
  std::string encoding;  // "h264" or "h265", as a correct sender names it
};

std::vector<Input> read_inputs(const Options & options)
{
  std::vector<Input> inputs;
  for (const std::string & path : options.inputs) {
    Input input;
    input.bytes = read_file(path);
    const annexb::Codec codec = annexb::guess_codec(path, input.bytes);
    input.units = annexb::split_access_units(input.bytes, codec);
    input.encoding = annexb::codec_name(codec);
    inputs.push_back(std::move(input));
  }
  if (inputs.empty()) {
    throw std::runtime_error("--input FILE is needed");
  }
  return inputs;
}

// Message `index` of the inputs: one image per input that has a frame there
// (every input, for MultiCompressed, with is_vaild saying which have one).
DynamicData_ptr make_message(const std::string & type, const std::vector<Input> & inputs, std::size_t index, bool end)
{
  DynamicData_ptr message(DynamicDataFactory::get_instance()->create_data(message_type(type)));
  {
    Loan header(message.get(), "header");
    set_header(header.get(), end ? kEndOfStream : "peer");
  }
  Loan images(message.get(), type == "Compressed" ? "images" : "h26x_images");
  for (const Input & input : inputs) {
    const bool has_frame = !end && index < input.units.size();
    if (type == "Compressed" && !has_frame && !end) {
      continue;
    }
    Loan image(images.get(), append(images.get()));
    image->set_uint64_value(end ? input.units.size() : index, image->get_member_id_by_name("count"));
    image->set_string_value(input.encoding, image->get_member_id_by_name("encoding"));
    if (type == "MultiCompressed") {
      Loan valid(image.get(), "is_vaild");
      MemberId id = MEMBER_ID_INVALID;
      valid->insert_byte_value(has_frame ? 1 : 0, id);
      Loan headers(image.get(), "header");
      Loan first(headers.get(), append(headers.get()));
      set_header(first.get(), "peer");
    }
    if (has_frame) {
      Loan data(image.get(), "data");
      set_bytes(data.get(), input.bytes.data() + input.units[index].offset, input.units[index].size);
    }
  }
  return message;
}

int send(const Common & common, const Options & options)
{
  const std::string type = options.type;
  const std::vector<Input> inputs = read_inputs(options);
  const double fps = options.fps;
  std::size_t frames = 0;
  for (const Input & input : inputs) {
    frames = std::max(frames, input.units.size());
  }
  Endpoint endpoint(common, dynamic_type_support(type));
  DataWriter * writer = endpoint.writer(common);
  const auto start = std::chrono::steady_clock::now();
  // A best-effort marker may be lost like any sample: it goes out three times.
  const std::size_t markers = common.best_effort ? 3 : 1;
  for (std::size_t index = 0; index < frames + markers; ++index) {
    DynamicData_ptr message = make_message(type, inputs, std::min(index, frames), index >= frames);
    if (!writer->write(message.get())) {
      throw std::runtime_error("write failed");
    }
    if (index >= frames) {
      std::this_thread::sleep_for(std::chrono::milliseconds(common.best_effort ? 100 : 0));
    } else if (fps > 0) {
      std::this_thread::sleep_until(start + std::chrono::duration<double>((index + 1) / fps));
    }
  }
  writer->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(30, 0));
  std::cerr << "dds_peer: sent " << frames << " frames as " << dds_name(type) << "\n";
  return 0;
}

// ---- a camera driver: sensor_msgs/Image ----

// Picture `index` (of eight) in `encoding`, rows packed: smooth gradients
// that move with the index, so that an encoder at default quality keeps
// them well (and a swapped channel, row or picture shows).
std::vector<uint8_t> camera_picture(const std::string & encoding, int width, int height, int index)
{
  const auto value = [&](int x, int y, int channel) {
      return static_cast<uint8_t>(30 + channel * 30 + 4 * index + x * (60 + 20 * channel) / width + y * 50 / height);
    };
  std::vector<uint8_t> out;
  const std::map<std::string, std::string> rgb_orders = {
    {"rgb8", "012"}, {"bgr8", "210"}, {"rgba8", "012A"}, {"bgra8", "210A"}};
  if (rgb_orders.count(encoding)) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        for (char c : rgb_orders.at(encoding)) {
          out.push_back(c == 'A' ? 255 : value(x, y, c - '0'));
        }
      }
    }
  } else if (encoding == "mono8" || encoding == "mono16") {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint8_t v = value(x, y, 0);
        out.push_back(v);
        if (encoding == "mono16") {
          out.push_back(v);  // big-endian v * 257
        }
      }
    }
  } else if (encoding == "yuv422" || encoding == "uyvy" || encoding == "yuv422_yuy2") {
    const bool uyvy = encoding != "yuv422_yuy2";
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; x += 2) {
        const uint8_t y0 = value(x, y, 0), y1 = value(x + 1, y, 0), u = value(x, y, 1), v = value(x, y, 2);
        const uint8_t group[4] = {uyvy ? u : y0, uyvy ? y0 : u, uyvy ? v : y1, uyvy ? y1 : v};
        out.insert(out.end(), group, group + 4);
      }
    }
  } else if (encoding == "nv12") {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        out.push_back(value(x, y, 0));
      }
    }
    for (int y = 0; y < height; y += 2) {
      for (int x = 0; x < width; x += 2) {
        out.push_back(value(x, y, 1));
        out.push_back(value(x, y, 2));
      }
    }
  } else if (encoding == "32FC1") {  // depth, which no encoder takes
    out.assign(std::size_t(4) * width * height, 0);
  } else {
    throw std::invalid_argument("the camera knows no encoding " + encoding);
  }
  return out;
}

int camera(const Common & common, const Options & options)
{
  int width = 0, height = 0;
  if (std::sscanf(options.raw.c_str(), "%dx%d", &width, &height) != 2 || width < 2 || height < 2 || width % 2 ||
    height % 2)
  {
    throw std::invalid_argument("--raw is not an even WIDTHxHEIGHT");
  }
  std::vector<std::vector<uint8_t>> pictures;
  std::ofstream file(options.output, std::ios::binary | std::ios::trunc);
  for (int index = 0; index < 8; ++index) {
    pictures.push_back(camera_picture(options.encoding, width, height, index));
    file.write(reinterpret_cast<const char *>(pictures.back().data()), static_cast<std::streamsize>(pictures.back().size()));
  }
  file.close();
  const std::string type = "sensor_msgs/Image";
  Endpoint endpoint(common, dynamic_type_support(type));
  DataWriter * writer = endpoint.writer(common);
  int32_t start_sec = 0;
  uint32_t ignored = 0;
  now_stamp(start_sec, ignored);
  const auto start = std::chrono::steady_clock::now();
  const double fps = options.fps > 0 ? options.fps : 30;
  for (uint64_t index = 0; index < options.frames && !stop_camera; ++index) {
    DynamicData_ptr message(DynamicDataFactory::get_instance()->create_data(message_type(type)));
    {
      Loan header(message.get(), "header");
      Loan stamp(header.get(), "stamp");
      stamp->set_int32_value(start_sec, stamp->get_member_id_by_name("sec"));
      stamp->set_uint32_value(static_cast<uint32_t>(index), stamp->get_member_id_by_name("nanosec"));
      header->set_string_value("peer_camera", header->get_member_id_by_name("frame_id"));
    }
    const std::vector<uint8_t> & picture = pictures[index % 8];
    message->set_uint32_value(static_cast<uint32_t>(height), message->get_member_id_by_name("height"));
    message->set_uint32_value(static_cast<uint32_t>(width), message->get_member_id_by_name("width"));
    message->set_string_value(options.encoding, message->get_member_id_by_name("encoding"));
    message->set_byte_value(options.encoding == "mono16" ? 1 : 0, message->get_member_id_by_name("is_bigendian"));
    // Bytes a row of the first plane (NV12's luma rows are one byte a pixel).
    const auto step = static_cast<uint32_t>(options.encoding == "nv12" ? width : picture.size() / height);
    message->set_uint32_value(step, message->get_member_id_by_name("step"));
    {
      Loan data(message.get(), "data");
      set_bytes(data.get(), picture.data(), picture.size());
    }
    if (!writer->write(message.get())) {
      throw std::runtime_error("write failed");
    }
    std::this_thread::sleep_until(start + std::chrono::duration<double>((index + 1) / fps));
  }
  std::cerr << "dds_peer: the camera stopped\n";
  return 0;
}

// ---- hostile input, then a few valid frames ----

std::vector<uint8_t> serialized(DynamicData_ptr message, const std::string & type)
{
  DynamicPubSubType pubsub(message_type(type));
  eprosima::fastrtps::rtps::SerializedPayload_t payload(pubsub.getSerializedSizeProvider(message.get())());
  if (!pubsub.serialize(message.get(), &payload)) {
    throw std::runtime_error("cannot serialize");
  }
  return {payload.data, payload.data + payload.length};
}

int hostile(const Common & common, const Options & options)
{
  const std::vector<Input> inputs = read_inputs(options);
  const std::size_t valid_frames = std::min<std::size_t>(5, inputs[0].units.size());
  std::vector<std::vector<uint8_t>> samples;
  const std::vector<uint8_t> frame = serialized(make_message("Compressed", inputs, 0, false), "Compressed");

  // The image count (after the header: 8 bytes of stamp, 4 of length, the
  // frame id "peer" and its NUL) claims far more than the sample holds.
  std::vector<uint8_t> huge_count = frame;
  const std::size_t count_at = 4 + 8 + 4 + 5 + 3;
  const uint32_t count = 0x7FFFFFFF;
  std::memcpy(&huge_count[count_at], &count, 4);
  samples.push_back(huge_count);
  // The frame's byte count claims 1 GiB. (The serialized sample may end in
  // padding: the frame is found by its bytes.)
  const uint8_t * unit = inputs[0].bytes.data() + inputs[0].units[0].offset;
  const std::size_t unit_size = inputs[0].units[0].size;
  const std::size_t data_at = static_cast<std::size_t>(
    std::search(frame.begin(), frame.end(), unit, unit + unit_size) - frame.begin());
  std::vector<uint8_t> huge_bytes = frame;
  const uint32_t gib = 1u << 30;
  std::memcpy(&huge_bytes[data_at - 4], &gib, 4);
  samples.push_back(huge_bytes);
  // Cut samples: in the header, in the middle, 8 bytes short of the frame's
  // end (RTPS pads a payload to 4 bytes, which hides a cut of 1 to 3).
  for (std::size_t cut : {std::size_t(10), frame.size() / 2, data_at + unit_size - 8}) {
    samples.emplace_back(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(cut));
  }
  // Random bytes behind a valid encapsulation.
  std::mt19937 rng(7);
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> noise{0x00, 0x01, 0x00, 0x00};
    for (int j = 0; j < 300; ++j) {
      noise.push_back(static_cast<uint8_t>(rng()));
    }
    samples.push_back(noise);
  }
  // Well-formed, but thousands of streams of a few bytes each.
  CdrWriter many;
  many.put_header(0, 0, "many");
  many.put<uint32_t>(5000);
  for (uint32_t k = 0; k < 5000; ++k) {
    many.put_header(0, 0, "");
    many.put<uint64_t>(0);
    many.put<uint32_t>(0);
    many.put<uint32_t>(0);
    many.put_string("h264");
    many.put<uint8_t>(0);
    many.put<uint32_t>(0);
    const uint8_t bytes[3] = {1, 2, 3};
    many.put_bytes(bytes, 3);
  }
  samples.push_back(many.bytes());
  for (std::size_t index = 0; index < valid_frames; ++index) {
    samples.push_back(serialized(make_message("Compressed", inputs, index, false), "Compressed"));
  }
  // The marker reports every frame as sent.
  Input first = inputs[0];
  first.units.resize(valid_frames);
  samples.push_back(serialized(make_message("Compressed", {first}, valid_frames, true), "Compressed"));

  Endpoint endpoint(common, new RawTopicType(dds_name("Compressed")));
  DataWriter * writer = endpoint.writer(common);
  for (auto & sample : samples) {
    if (!writer->write(&sample)) {
      throw std::runtime_error("write failed");
    }
  }
  writer->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(30, 0));
  std::cerr << "dds_peer: sent " << samples.size() - valid_frames - 1 << " hostile samples, " << valid_frames
            << " valid frames and the marker\n";
  return 0;
}

// ---- end-to-end benchmark: the same payloads, moved as raw CDR ----

// A Compressed with one Image holding `data`, as CDR.
std::vector<uint8_t> frame_cdr(
  uint32_t width, uint32_t height, const std::string & encoding, uint32_t step, uint64_t count,
  const std::string & frame_id, const uint8_t * data, std::size_t size)
{
  int32_t sec;
  uint32_t nanosec;
  now_stamp(sec, nanosec);
  CdrWriter cdr;
  cdr.put_header(sec, nanosec, frame_id);
  cdr.put<uint32_t>(1);
  cdr.put_header(sec, nanosec, "camera");
  cdr.put<uint64_t>(count);
  cdr.put<uint32_t>(height);
  cdr.put<uint32_t>(width);
  cdr.put_string(encoding);
  cdr.put<uint8_t>(0);
  cdr.put<uint32_t>(step);
  cdr.put_bytes(data, size);
  return std::move(cdr.bytes());
}

// The frames to move: N raw rgb8 images of --raw WIDTHxHEIGHT (every one the
// same buffer), or the access units of --input, each as one Compressed.
std::vector<std::vector<uint8_t>> bench_frames(const Options & options)
{
  std::vector<std::vector<uint8_t>> frames;
  if (!options.inputs.empty()) {
    for (const Input & input : read_inputs(options)) {
      for (std::size_t i = 0; i < input.units.size(); ++i) {
        frames.push_back(frame_cdr(
            0, 0, input.encoding, 0, i, "camera", input.bytes.data() + input.units[i].offset, input.units[i].size));
      }
    }
    return frames;
  }
  const std::string raw = options.raw;
  const uint32_t width = static_cast<uint32_t>(std::stoul(raw.substr(0, raw.find('x'))));
  const uint32_t height = static_cast<uint32_t>(std::stoul(raw.substr(raw.find('x') + 1)));
  const std::vector<uint8_t> pixels(std::size_t(3) * width * height, 0x80);
  const std::vector<uint8_t> frame =
    frame_cdr(width, height, "rgb8", 3 * width, 0, "camera", pixels.data(), pixels.size());
  frames.assign(options.frames, frame);
  return frames;
}

int bench_send(const Common & common, const Options & options)
{
  std::vector<std::vector<uint8_t>> frames = bench_frames(options);
  Endpoint endpoint(common, new RawTopicType(dds_name("Compressed")));
  DataWriter * writer = endpoint.writer(common);
  const auto start = std::chrono::steady_clock::now();
  uint64_t bytes = 0;
  for (auto & frame : frames) {
    // Stamped when sent (the header's stamp follows the encapsulation).
    int32_t sec;
    uint32_t nanosec;
    now_stamp(sec, nanosec);
    std::memcpy(&frame[4], &sec, 4);
    std::memcpy(&frame[8], &nanosec, 4);
    if (!writer->write(&frame)) {
      throw std::runtime_error("write failed");
    }
    bytes += frame.size();
  }
  std::vector<uint8_t> marker = frame_cdr(0, 0, "", 0, frames.size(), kEndOfStream, nullptr, 0);
  writer->write(&marker);
  writer->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(60, 0));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "dds_peer: sent %zu frames, %llu bytes in %.3f s\n", frames.size(),
    static_cast<unsigned long long>(bytes), seconds);
  return 0;
}

class BenchReceiver : public DataReaderListener
{
public:
  void on_data_available(DataReader * reader) override
  {
    std::vector<uint8_t> sample;
    SampleInfo info;
    while (reader->take_next_sample(&sample, &info) == ReturnCode_t::RETCODE_OK) {
      if (!info.valid_data || sample.size() < 24) {
        continue;
      }
      const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
      int32_t sec;
      uint32_t nanosec, length;
      std::memcpy(&sec, &sample[4], 4);
      std::memcpy(&nanosec, &sample[8], 4);
      std::memcpy(&length, &sample[12], 4);
      if (std::string(reinterpret_cast<const char *>(&sample[16]), length - 1) == kEndOfStream) {
        done.finish();
        continue;
      }
      latencies.push_back(seconds_since(sec, nanosec));
      first = latencies.size() == 1 ? now : first;
      last = now;
      bytes += sample.size();
    }
  }
  Completion done;
  std::vector<double> latencies;
  double first = 0, last = 0;
  uint64_t bytes = 0;
};

int bench_receive(const Common & common)
{
  BenchReceiver receiver;
  Endpoint endpoint(common, new RawTopicType(dds_name("Compressed")));
  endpoint.reader(common, &receiver);
  if (!receiver.done.wait(common.timeout)) {
    std::cerr << "dds_peer: no end-of-stream marker within " << common.timeout << " s\n";
    return 1;
  }
  const std::size_t frames = receiver.latencies.size();
  const double span = receiver.last - receiver.first;
  // The same summary line as h26x_recorder's, for scripts/bench.sh.
  std::fprintf(
    stderr, "dds_peer: %zu frames, %llu bytes, %.2f frames/s; latency ms p50 %.3f p99 %.3f\n", frames,
    static_cast<unsigned long long>(receiver.bytes), span > 0 ? (frames - 1) / span : 0.0,
    1e3 * percentile(receiver.latencies, 0.5), 1e3 * percentile(receiver.latencies, 0.99));
  return 0;
}
}  // namespace

int main(int argc, char ** argv)
try {
  if (argc < 2) {
    std::cerr << "usage: dds_peer type-name|receive|send|hostile|bench-receive|bench-send [options]\n";
    return 2;
  }
  const std::string command = argv[1];
  if (command == "type-name") {
    std::cout << message_type(argc > 2 ? argv[2] : "Compressed")->get_name() << "\n";
    return 0;
  }
  Options options;
  Common common{"rt/camera/h26x", 0, orvane_dds::Transport::SHARED_MEMORY, false, false, 30};
  std::string transport = "shm";
  CLI::App app{"dds_peer"};
  app.add_option("--type", options.type);
  app.add_option("--output", options.output);
  app.add_option("--input", options.inputs);
  app.add_option("--fps", options.fps);
  app.add_option("--raw", options.raw);
  app.add_option("--frames", options.frames);
  app.add_option("--encoding", options.encoding);
  app.add_option("--topic", common.topic);
  app.add_option("--domain", common.domain);
  app.add_option("--transport", transport);
  app.add_flag("--best-effort", common.best_effort);
  app.add_flag("--tools-qos", common.tools_qos);
  app.add_option("--timeout", common.timeout);
  try {
    app.parse(argc - 1, argv + 1);
  } catch (const CLI::ParseError & error) {
    std::cerr << "dds_peer: " << error.what() << "\n";
    return 2;
  }
  common.transport = orvane_dds::parse_transport(transport);
  if (command == "receive") {
    return receive(common, options);
  }
  if (command == "send") {
    return send(common, options);
  }
  if (command == "hostile") {
    return hostile(common, options);
  }
  if (command == "bench-send") {
    return bench_send(common, options);
  }
  if (command == "bench-receive") {
    return bench_receive(common);
  }
  if (command == "camera") {
    if (app.count("--frames") == 0) {
      options.frames = UINT64_MAX;
    }
    std::signal(SIGTERM, [](int) {stop_camera = 1;});
    std::signal(SIGINT, [](int) {stop_camera = 1;});
    return camera(common, options);
  }
  throw std::invalid_argument("unknown command " + command);
} catch (const std::exception & error) {
  std::cerr << "dds_peer: " << error.what() << "\n";
  return 1;
}
