// An independent peer of the stream tools on a second DDS vendor: Cyclone
// DDS, with its types compiled by idlc from an IDL file written from msg/.
// Nothing of this package's libraries is involved; only the access-unit
// splitting of the sample files is shared with the tools.
//
//   cyclone_peer receive [--type Compressed|MultiCompressed] --output FILE [--keep-all] [common]
//   cyclone_peer send    [--type ...] --input FILE [--input FILE] [--fps N] [--best-effort] [common]
// common: --topic DDS_TOPIC --domain N [--timeout S]
//
// receive subscribes as a ROS 2 node does by default (reliable, volatile,
// keep-last 10; keep-all with --keep-all) and writes image k of every message
// to FILE (one image per message) or FILE.<k>, until the end-of-stream
// marker; a gap in `count` is a lost frame and fails. send puts frame i of
// every input into message i, then the marker. Discovery and data stay on
// 127.0.0.1, without multicast.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "annexb.hpp"
#include "dds/dds.h"
#include "orvane_h26x_msgs.h"

namespace
{
constexpr const char * kEndOfStream = "end-of-stream";

struct Options
{
  std::string command, type = "Compressed", topic = "rt/camera/h26x", output;
  std::vector<std::string> inputs;
  int domain = 0;
  double fps = 0, timeout = 30;
  bool best_effort = false, keep_all = false;
};

Options parse(int argc, char ** argv)
{
  Options options;
  options.command = argc > 1 ? argv[1] : "";
  for (int i = 2; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--best-effort" || name == "--keep-all") {
      (name == "--best-effort" ? options.best_effort : options.keep_all) = true;
      continue;
    }
    if (i + 1 >= argc) {
      throw std::invalid_argument(name + " needs a value");
    }
    const std::string value = argv[++i];
    if (name == "--type") {
      options.type = value;
    } else if (name == "--topic") {
      options.topic = value;
    } else if (name == "--output") {
      options.output = value;
    } else if (name == "--input") {
      options.inputs.push_back(value);
    } else if (name == "--domain") {
      options.domain = std::stoi(value);
    } else if (name == "--fps") {
      options.fps = std::stod(value);
    } else if (name == "--timeout") {
      options.timeout = std::stod(value);
    } else {
      throw std::invalid_argument("unknown option " + name);
    }
  }
  if (options.type != "Compressed" && options.type != "MultiCompressed") {
    throw std::invalid_argument("unknown type " + options.type);
  }
  return options;
}

dds_entity_t check(dds_entity_t entity, const char * what)
{
  if (entity < 0) {
    throw std::runtime_error(std::string(what) + ": " + dds_strretcode(entity));
  }
  return entity;
}

// A participant that talks over 127.0.0.1 only: unicast discovery of the
// first participant indices there, no multicast. Without multicast, a peer
// that starts later learns of this one only from its next announcement, so
// announcements go out every 200 ms rather than every 30 s.
dds_entity_t loopback_participant(int domain)
{
  const std::string config =
    "<CycloneDDS><Domain id=\"any\"><General><Interfaces><NetworkInterface address=\"127.0.0.1\"/>"
    "</Interfaces><AllowMulticast>false</AllowMulticast></General><Discovery>"
    "<ParticipantIndex>auto</ParticipantIndex><MaxAutoParticipantIndex>32</MaxAutoParticipantIndex>"
    "<SPDPInterval>200ms</SPDPInterval>"
    "<Peers><Peer address=\"127.0.0.1\"/></Peers></Discovery></Domain></CycloneDDS>";
  check(dds_create_domain(static_cast<dds_domainid_t>(domain), config.c_str()), "domain");
  return check(dds_create_participant(static_cast<dds_domainid_t>(domain), nullptr, nullptr), "participant");
}

const dds_topic_descriptor_t * descriptor(const std::string & type)
{
  return type == "Compressed" ? &orvane_h26x_msgs_msg_dds__Compressed__desc :
         &orvane_h26x_msgs_msg_dds__MultiCompressed__desc;
}

struct Qos
{
  dds_qos_t * qos = dds_create_qos();
  ~Qos() {dds_delete_qos(qos);}
};

// ---- receive ----

struct Track
{
  std::ofstream file;
  uint64_t frames = 0, next_count = 0, lost = 0;
};

class Receiver
{
public:
  explicit Receiver(const Options & options) : options_(options) {}

  // Takes one message; true once the marker came.
  template<class Message>
  bool handle(const Message & message)
  {
    if (std::strcmp(message.header.frame_id, kEndOfStream) == 0) {
      return true;
    }
    if constexpr (std::is_same_v<Message, orvane_h26x_msgs_msg_dds__Compressed_>) {
      for (uint32_t k = 0; k < message.images._length; ++k) {
        add(k, message.images._length, message.images._buffer[k].count, message.images._buffer[k].data);
      }
    } else {
      for (uint32_t k = 0; k < message.h26x_images._length; ++k) {
        const auto & image = message.h26x_images._buffer[k];
        if (image.is_vaild._length > 0 && image.is_vaild._buffer[0]) {
          add(k, 2, image.count, image.data);
        }
      }
    }
    ++messages_;
    return false;
  }

  int summary() const
  {
    uint64_t lost = 0;
    for (const auto & track : tracks_) {
      lost += track.second.lost;
    }
    std::cerr << "cyclone_peer: received " << messages_ << " frames, " << lost << " lost\n";
    return lost == 0 ? 0 : 1;
  }

private:
  void add(uint32_t index, uint32_t streams, uint64_t count, const dds_sequence_octet & data)
  {
    Track & track = tracks_[index];
    if (!track.file.is_open()) {
      const std::string path = streams == 1 ? options_.output : options_.output + "." + std::to_string(index);
      track.file.open(path, std::ios::binary | std::ios::trunc);
    }
    if (count != track.next_count) {
      std::cerr << "cyclone_peer: stream " << index << " frame " << count << " after " << track.next_count << "\n";
      track.lost += count > track.next_count ? count - track.next_count : 1;
    }
    track.next_count = count + 1;
    track.file.write(reinterpret_cast<const char *>(data._buffer), data._length);
    ++track.frames;
  }

  const Options & options_;
  std::map<uint32_t, Track> tracks_;
  uint64_t messages_ = 0;
};

template<class Message>
int receive_as(const Options & options)
{
  const dds_entity_t participant = loopback_participant(options.domain);
  const dds_entity_t topic =
    check(dds_create_topic(participant, descriptor(options.type), options.topic.c_str(), nullptr, nullptr), "topic");
  Qos qos;
  dds_qset_reliability(qos.qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(10));
  dds_qset_durability(qos.qos, DDS_DURABILITY_VOLATILE);
  dds_qset_history(qos.qos, options.keep_all ? DDS_HISTORY_KEEP_ALL : DDS_HISTORY_KEEP_LAST, 10);
  const dds_entity_t reader = check(dds_create_reader(participant, topic, qos.qos, nullptr), "reader");
  const dds_entity_t waitset = check(dds_create_waitset(participant), "waitset");
  const dds_entity_t readable = check(dds_create_readcondition(reader, DDS_ANY_STATE), "condition");
  dds_waitset_attach(waitset, readable, 0);

  Receiver receiver(options);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeout);
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < deadline) {
    dds_waitset_wait(waitset, nullptr, 0, DDS_MSECS(100));
    void * samples[16] = {};
    dds_sample_info_t infos[16];
    dds_return_t taken;
    while (!ended && (taken = dds_take(reader, samples, infos, 16, 16)) > 0) {
      for (dds_return_t i = 0; i < taken && !ended; ++i) {
        ended = infos[i].valid_data && receiver.handle(*static_cast<const Message *>(samples[i]));
      }
      dds_return_loan(reader, samples, taken);
    }
  }
  dds_delete(participant);
  if (!ended) {
    std::cerr << "cyclone_peer: no end-of-stream marker within " << options.timeout << " s\n";
    receiver.summary();
    return 1;
  }
  return receiver.summary();
}

// ---- send ----

struct Input
{
  std::vector<uint8_t> bytes;
  std::vector<annexb::AccessUnit> units;
  annexb::Codec codec = annexb::Codec::H264;  // named in each image, as a correct sender names it
};

Input read_input(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  Input input;
  input.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  input.codec = annexb::guess_codec(path, input.bytes);
  input.units = annexb::split_access_units(input.bytes, input.codec);
  return input;
}

void stamp(std_msgs_msg_dds__Header_ & header, const char * frame_id)
{
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::system_clock::now().time_since_epoch()).count();
  header.stamp.sec = static_cast<int32_t>(ns / 1000000000);
  header.stamp.nanosec = static_cast<uint32_t>(ns % 1000000000);
  header.frame_id = const_cast<char *>(frame_id);
}

// Image fields that both message shapes have; the data points into the input.
template<class ImageLike>
void fill(ImageLike & image, const Input & input, std::size_t index, bool end)
{
  image.count = end ? input.units.size() : index;
  image.encoding = const_cast<char *>(annexb::codec_name(input.codec));
  if (!end && index < input.units.size()) {
    image.data._buffer = const_cast<uint8_t *>(input.bytes.data() + input.units[index].offset);
    image.data._length = image.data._maximum = static_cast<uint32_t>(input.units[index].size);
  }
}

int send(const Options & options)
{
  std::vector<Input> inputs;
  std::size_t frames = 0;
  for (const std::string & path : options.inputs) {
    inputs.push_back(read_input(path));
    frames = std::max(frames, inputs.back().units.size());
  }
  const dds_entity_t participant = loopback_participant(options.domain);
  const dds_entity_t topic =
    check(dds_create_topic(participant, descriptor(options.type), options.topic.c_str(), nullptr, nullptr), "topic");
  Qos qos;
  dds_qset_reliability(
    qos.qos, options.best_effort ? DDS_RELIABILITY_BEST_EFFORT : DDS_RELIABILITY_RELIABLE, DDS_SECS(10));
  dds_qset_durability(qos.qos, DDS_DURABILITY_VOLATILE);
  dds_qset_history(qos.qos, options.best_effort ? DDS_HISTORY_KEEP_LAST : DDS_HISTORY_KEEP_ALL, 5);
  const dds_entity_t writer = check(dds_create_writer(participant, topic, qos.qos, nullptr), "writer");

  // Until every reader of the other side (the recorder has two) has matched.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeout);
  dds_publication_matched_status_t matched{};
  uint32_t seen = 0;
  auto changed = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < deadline &&
    (seen == 0 || std::chrono::steady_clock::now() - changed < std::chrono::milliseconds(250)))
  {
    dds_get_publication_matched_status(writer, &matched);
    if (matched.current_count != seen) {
      seen = matched.current_count;
      changed = std::chrono::steady_clock::now();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (seen == 0) {
    throw std::runtime_error("no reader matched on " + options.topic);
  }

  // A best-effort marker may be lost like any sample: it goes out three times.
  const std::size_t markers = options.best_effort ? 3 : 1;
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t index = 0; index < frames + markers; ++index) {
    const bool end = index >= frames;
    std::vector<orvane_h26x_msgs_msg_dds__Image_> images(inputs.size());
    std::vector<orvane_h26x_msgs_msg_dds__MultiImage_> multi(inputs.size());
    std::vector<std_msgs_msg_dds__Header_> headers(inputs.size());
    std::vector<uint8_t> valid(inputs.size());
    dds_return_t written;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
      stamp(images[k].header, "camera");
      fill(images[k], inputs[k], index, end);
      fill(multi[k], inputs[k], index, end);
      stamp(headers[k], "camera");
      valid[k] = !end && index < inputs[k].units.size();
      multi[k].header = {1, 1, &headers[k], false};
      multi[k].is_vaild = {1, 1, &valid[k], false};
    }
    if (options.type == "Compressed") {
      orvane_h26x_msgs_msg_dds__Compressed_ message{};
      stamp(message.header, end ? kEndOfStream : "camera");
      message.images = {static_cast<uint32_t>(images.size()), static_cast<uint32_t>(images.size()), images.data(), false};
      written = dds_write(writer, &message);
    } else {
      orvane_h26x_msgs_msg_dds__MultiCompressed_ message{};
      stamp(message.header, end ? kEndOfStream : "rig");
      message.h26x_images = {static_cast<uint32_t>(multi.size()), static_cast<uint32_t>(multi.size()), multi.data(), false};
      written = dds_write(writer, &message);
    }
    check(written, "write");
    if (end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(options.best_effort ? 100 : 0));
    } else if (options.fps > 0) {
      std::this_thread::sleep_until(start + std::chrono::duration<double>((index + 1) / options.fps));
    }
  }
  if (!options.best_effort) {
    check(dds_wait_for_acks(writer, DDS_SECS(30)), "acknowledgements");
  }
  dds_delete(participant);
  std::cerr << "cyclone_peer: sent " << frames << " frames\n";
  return 0;
}
}  // namespace

int main(int argc, char ** argv)
try {
  const Options options = parse(argc, argv);
  if (options.command == "receive") {
    return options.type == "Compressed" ? receive_as<orvane_h26x_msgs_msg_dds__Compressed_>(options) :
           receive_as<orvane_h26x_msgs_msg_dds__MultiCompressed_>(options);
  }
  if (options.command == "send") {
    return send(options);
  }
  std::cerr << "usage: cyclone_peer receive|send [options]\n";
  return 2;
} catch (const std::exception & error) {
  std::cerr << "cyclone_peer: " << error.what() << "\n";
  return 1;
}
