#include "node_environment.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "fastdds/dds/domain/DomainParticipant.hpp"
#include "fastdds/dds/domain/DomainParticipantFactory.hpp"
#include "fastdds/dds/domain/qos/DomainParticipantQos.hpp"
#include "fastdds/rtps/flowcontrol/FlowControllerDescriptor.hpp"
#include "fastdds/rtps/transport/UDPv4TransportDescriptor.h"
#include "fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h"
#include "fastrtps/utils/IPLocator.h"

namespace orvane_dds
{
using namespace eprosima::fastdds::dds;

namespace
{
// The largest domain id whose RTPS ports (7400 + 250 * domain + ...) fit in 16 bits.
constexpr int kMaxDomainId = 232;

// Socket buffers for H.26x keyframes and raw images: a 6 MB frame is about a
// hundred UDP datagrams, which overrun Linux's default 208 KiB receive buffer
// and then wait for repair. Limited to what the kernel grants (rmem_max and
// wmem_max), since Fast DDS refuses a transport whose buffer it cannot set.
uint32_t socket_buffer_size(const char * limit_file)
{
  constexpr uint32_t kWanted = 4 * 1024 * 1024;
  std::ifstream limit(limit_file);
  uint64_t granted = 0;
  return limit >> granted && granted < kWanted ? static_cast<uint32_t>(granted) : kWanted;
}

void add_loopback_udp(DomainParticipantQos & qos)
{
  auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
  udp->interfaceWhiteList.emplace_back("127.0.0.1");
  udp->sendBufferSize = qos.transport().send_socket_buffer_size;
  udp->receiveBufferSize = qos.transport().listen_socket_buffer_size;
  qos.transport().user_transports.push_back(udp);
}

// Samples of `sample_bytes` that fit in `bytes`: at least 4, at most kPacedHistory.
int fitting_depth(std::size_t bytes, std::size_t sample_bytes)
{
  const std::size_t fitting = sample_bytes ? bytes / sample_bytes : kPacedHistory;
  return static_cast<int>(std::clamp<std::size_t>(fitting, 4, kPacedHistory));
}
}  // namespace

Transport parse_transport(const std::string & name)
{
  if (name == "node") {
    return Transport::NODE;
  }
  if (name == "shm") {
    return Transport::SHARED_MEMORY;
  }
  if (name == "udp-loopback") {
    return Transport::LOOPBACK_UDP;
  }
  if (name == "all-interfaces") {
    return Transport::ALL_INTERFACES;
  }
  if (name == "udp") {
    return Transport::UDP;
  }
  throw UsageError("unknown transport '" + name + "' (node, shm, udp, udp-loopback, all-interfaces)");
}

int domain_id(const std::string & option)
{
  const char * environment = std::getenv("ROS_DOMAIN_ID");
  const bool from_option = !option.empty();
  const std::string text = from_option ? option : environment ? environment : "";
  if (text.empty()) {
    return 0;
  }
  const std::string source = from_option ? "--domain" : "ROS_DOMAIN_ID";
  std::size_t used = 0;
  long value = -1;
  try {
    value = std::stol(text, &used);
  } catch (const std::exception &) {
    used = 0;
  }
  if (used != text.size() || value < 0 || value > kMaxDomainId) {
    throw UsageError(
            source + " '" + text + "' is not a domain id (a whole number from 0 to " +
            std::to_string(kMaxDomainId) + ")");
  }
  return static_cast<int>(value);
}

DomainParticipant * create_participant(
  int domain, Transport transport, const std::string & name, DomainParticipantListener * listener,
  bool system_socket_buffers)
{
  using eprosima::fastrtps::rtps::IPLocator;
  using eprosima::fastrtps::rtps::Locator_t;
  // As for a node: the default profile of FASTRTPS_DEFAULT_PROFILES_FILE (or
  // DEFAULT_FASTRTPS_PROFILES.xml) first, then what this transport needs.
  DomainParticipantFactory * factory = DomainParticipantFactory::get_instance();
  factory->load_profiles();
  DomainParticipantQos qos = factory->get_default_participant_qos();
  qos.name(name);
  auto & sockets = qos.transport();
  if (sockets.send_socket_buffer_size == 0 && !system_socket_buffers) {
    sockets.send_socket_buffer_size = socket_buffer_size("/proc/sys/net/core/wmem_max");
  }
  if (sockets.listen_socket_buffer_size == 0 && !system_socket_buffers) {
    sockets.listen_socket_buffer_size = socket_buffer_size("/proc/sys/net/core/rmem_max");
  }

  // A dead reader is then forgotten within seconds (see kLeaseSeconds).
  auto & discovery = qos.wire_protocol().builtin.discovery_config;
  if (discovery.leaseDuration == eprosima::fastrtps::Duration_t(20, 0)) {
    discovery.leaseDuration = eprosima::fastrtps::Duration_t(kLeaseSeconds, 0);
    discovery.leaseDuration_announcementperiod =
      eprosima::fastrtps::Duration_t(0, kAnnouncementMilliseconds * 1000 * 1000);
  }

  const char * localhost_only = std::getenv("ROS_LOCALHOST_ONLY");
  if (transport == Transport::NODE && localhost_only && std::string(localhost_only) == "1") {
    // rmw_fastrtps_cpp's localhost-only participant: shared memory and UDPv4
    // on the loopback interface, discovery as usual.
    sockets.use_builtin_transports = false;
    sockets.user_transports.push_back(std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>());
    add_loopback_udp(qos);
  } else if (transport == Transport::UDP) {
    // The network even between programs on one machine: no shared memory.
    sockets.use_builtin_transports = false;
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->sendBufferSize = sockets.send_socket_buffer_size;
    udp->receiveBufferSize = sockets.listen_socket_buffer_size;
    sockets.user_transports.push_back(udp);
  } else if (transport == Transport::SHARED_MEMORY) {
    sockets.use_builtin_transports = false;
    auto shm = std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>();
    shm->segment_size(8 * 1024 * 1024);
    sockets.user_transports.push_back(shm);
  } else if (transport == Transport::LOOPBACK_UDP) {
    sockets.use_builtin_transports = false;
    add_loopback_udp(qos);
    // Peers on loopback are found by probing the ports of the first
    // participant ids; allow for a few dozen participants on the machine.
    std::static_pointer_cast<eprosima::fastdds::rtps::UDPv4TransportDescriptor>(
      sockets.user_transports.back())->maxInitialPeersRange = 32;
    Locator_t loopback;
    loopback.kind = LOCATOR_KIND_UDPv4;
    IPLocator::setIPv4(loopback, 127, 0, 0, 1);
    // Unicast locators only: with no multicast locator given, none is made,
    // and peers are found by the initial peers on loopback.
    auto & builtin = qos.wire_protocol().builtin;
    builtin.initialPeersList.push_back(loopback);
    builtin.metatrafficUnicastLocatorList.push_back(loopback);
    builtin.metatrafficMulticastLocatorList.clear();
    qos.wire_protocol().default_unicast_locator_list.push_back(loopback);
    qos.wire_protocol().default_multicast_locator_list.clear();
  }
  if (transport != Transport::SHARED_MEMORY) {
    // A large sample leaves in bursts of at most kPacingBurstBytes: sent at
    // once, a 6 MB frame overflows the reader's socket buffer, and the
    // datagrams lost there are sent again and again (measured across a veth:
    // 2.2 to 4.6 times the payload on the wire at no loss, 1.00 paced).
    auto pacing = std::make_shared<eprosima::fastdds::rtps::FlowControllerDescriptor>();
    pacing->name = kPacingController;
    pacing->max_bytes_per_period = kPacingBurstBytes;
    pacing->period_ms = kPacingPeriodMilliseconds;
    qos.flow_controllers().push_back(pacing);
  }
  // The listener hears of discovered writers; data stays with the readers.
  return factory->create_participant(domain, qos, listener, StatusMask::none());
}

DataWriterQos stream_writer_qos(Publisher * publisher, WriterFlow flow, std::size_t sample_bytes)
{
  DataWriterQos qos = publisher->get_default_datawriter_qos();
  qos.reliability().kind = RELIABLE_RELIABILITY_QOS;
  // Transient-local, which volatile readers accept: Fast DDS 2.9 never frees
  // the full keep-all history of a volatile writer (measured: it stops at
  // the 64th sample), while a transient-local one frees acknowledged samples.
  qos.durability().kind = TRANSIENT_LOCAL_DURABILITY_QOS;
  int depth = kPacedHistory;
  if (flow == WriterFlow::PACED) {
    // Keep-last: a full history drops its oldest sample, acknowledged or
    // not, so a write never waits for a reader.
    qos.history().kind = KEEP_LAST_HISTORY_QOS;
    depth = fitting_depth(kPacedHistoryBytes, sample_bytes);
    qos.history().depth = depth;
    qos.reliability().max_blocking_time = eprosima::fastrtps::Duration_t(0, 100 * 1000 * 1000);
    // A sample older than this is no longer sent or repaired to anyone: a
    // reader behind a slow link skips to what is live (and the next key
    // frame) instead of getting ever older frames.
    qos.lifespan().duration =
      eprosima::fastrtps::Duration_t(kLiveMilliseconds / 1000, (kLiveMilliseconds % 1000) * 1000 * 1000);
  } else {
    // Waits are short so that the program can check for a stop between them.
    qos.history().kind = KEEP_ALL_HISTORY_QOS;
    depth = fitting_depth(kInFlightBytes, sample_bytes);
    qos.reliability().max_blocking_time = eprosima::fastrtps::Duration_t(0, 500 * 1000 * 1000);
  }
  qos.publish_mode().kind = ASYNCHRONOUS_PUBLISH_MODE;
  for (const auto & controller : publisher->get_participant()->get_qos().flow_controllers()) {
    if (std::string(controller->name) == kPacingController) {
      qos.publish_mode().flow_controller_name = kPacingController;
    }
  }
  qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.resource_limits().max_samples = depth;
  qos.resource_limits().max_samples_per_instance = depth;
  // A reader that missed a heartbeat or a fragment hears of it within a
  // frame time (Fast DDS's default period is 3 s).
  // Manual liveliness lets the writer send a heartbeat while it has written
  // nothing (see Session::wait_for_reader); readers asking for automatic
  // liveliness, as ROS 2's defaults do, accept it, and the lease is infinite.
  qos.liveliness().kind = MANUAL_BY_TOPIC_LIVELINESS_QOS;
  auto & times = qos.reliable_writer_qos().times;
  times.heartbeatPeriod = eprosima::fastrtps::Duration_t(0, kHeartbeatMilliseconds * 1000 * 1000);
  times.nackResponseDelay = eprosima::fastrtps::Duration_t(0, 0);
  return qos;
}

DataReaderQos stream_reader_qos(Subscriber * subscriber, bool reliable)
{
  DataReaderQos qos = subscriber->get_default_datareader_qos();
  qos.reliability().kind = reliable ? RELIABLE_RELIABILITY_QOS : BEST_EFFORT_RELIABILITY_QOS;
  qos.durability().kind = VOLATILE_DURABILITY_QOS;
  qos.history().kind = KEEP_ALL_HISTORY_QOS;
  qos.endpoint().history_memory_policy = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.resource_limits().max_samples = 64;
  qos.resource_limits().max_samples_per_instance = 64;
  qos.reliable_reader_qos().times.heartbeatResponseDelay = eprosima::fastrtps::Duration_t(0, 0);
  return qos;
}

}  // namespace orvane_dds
