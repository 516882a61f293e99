#ifndef ORVANE_H26X_MSGS_TOOLS__NODE_ENVIRONMENT_HPP_
#define ORVANE_H26X_MSGS_TOOLS__NODE_ENVIRONMENT_HPP_

// Where the tools meet ROS 2 nodes: the domain, the transports and the QoS of
// every tool are decided here, the way rmw_fastrtps_cpp decides them for a
// node, so that a tool run with no options finds the nodes of its shell.

#include <stdexcept>
#include <string>

#include "fastdds/dds/domain/DomainParticipant.hpp"
#include "fastdds/dds/domain/DomainParticipantListener.hpp"
#include "fastdds/dds/publisher/Publisher.hpp"
#include "fastdds/dds/publisher/qos/DataWriterQos.hpp"
#include "fastdds/dds/subscriber/Subscriber.hpp"
#include "fastdds/dds/subscriber/qos/DataReaderQos.hpp"

namespace orvane_dds
{

// A value the user gave (an option or an environment variable) is not usable;
// the programs print the message as one line and exit with status 2.
struct UsageError : std::invalid_argument
{
  using std::invalid_argument::invalid_argument;
};

enum class Transport
{
  NODE,            // default: a node's transports (UDPv4 and shared memory; with
                   // ROS_LOCALHOST_ONLY=1, UDPv4 on 127.0.0.1 only and shared
                   // memory), and the XML profile of FASTRTPS_DEFAULT_PROFILES_FILE
  SHARED_MEMORY,   // shared memory only
  LOOPBACK_UDP,    // UDPv4 on 127.0.0.1 only, unicast discovery, no multicast
  ALL_INTERFACES,  // Fast DDS's builtin transports on every interface
  UDP,             // UDPv4 on every interface with multicast discovery, no shared memory
};

// "node", "shm", "udp", "udp-loopback" or "all-interfaces"; UsageError otherwise.
Transport parse_transport(const std::string & name);

// The domain from `option` when given, else from ROS_DOMAIN_ID, else 0.
// UsageError when the value is not a domain id (0 to 232, where the RTPS port
// numbers still fit).
int domain_id(const std::string & option);

// `listener`, when given, hears of discovered endpoints only. UDP sockets
// get large buffers unless `system_socket_buffers` (Fast DDS's defaults, for
// a peer to compare with). The participant's lease is kLease (unless a
// profile set its own), so that its peers forget it soon after it dies.
eprosima::fastdds::dds::DomainParticipant * create_participant(
  int domain, Transport transport, const std::string & name,
  eprosima::fastdds::dds::DomainParticipantListener * listener = nullptr, bool system_socket_buffers = false);

// How long peers keep a participant of the tools that has stopped announcing
// itself (killed, stopped, cut off), and how often it announces itself.
// Fast DDS's defaults, which ROS 2 nodes keep, are 20 s and 3 s.
constexpr int kLeaseSeconds = 5;
constexpr int kAnnouncementMilliseconds = 500;

// How a stream writer meets its readers.
enum class WriterFlow
{
  // A live stream at its own rate: the writer keeps the last samples
  // (kPacedHistory, fewer for large samples) and never waits for a reader.
  // A reader that keeps up gets every sample; one that falls behind further
  // than the history loses the oldest (it is told so by the protocol); a
  // dead or stopped one holds nothing back.
  PACED,
  // As fast as the readers take: keep-all with 64 samples in flight (fewer
  // when large), a write waits for room. A reader that stops acknowledging
  // holds the stream until its participant's lease ends.
  READER_PACED,
};
// Over UDP a writer sends at most kPacingBurstBytes every
// kPacingPeriodMilliseconds (200 MB/s, a 1080p30 rgb8 camera and some to
// spare): what a reader's socket buffer takes while its thread drains it.
constexpr const char * kPacingController = "orvane_udp_pacing";
constexpr int32_t kPacingBurstBytes = 1 << 20;
constexpr uint64_t kPacingPeriodMilliseconds = 5;

constexpr int kPacedHistory = 64;
// How long a paced writer goes on sending (and repairing) a sample.
constexpr int kLiveMilliseconds = 1000;
constexpr std::size_t kPacedHistoryBytes = std::size_t{128} << 20;
// Bytes a reader-paced writer has in flight. More only waits in queues, and
// a repair waits behind all of it (measured with raw 1080p frames, 64 in
// flight against 5: a quarter of the rate over shared memory, and frames
// 2 s late across a lossy link).
constexpr std::size_t kInFlightBytes = std::size_t{32} << 20;
// How often a writer with unacknowledged samples asks its readers what they
// miss: within a frame time, so that a lost datagram costs one frame's
// delay (measured across a lossy veth: p99 83 ms at 20 % lost, 485 ms at
// 100 ms).
constexpr int kHeartbeatMilliseconds = 20;

// The stream writer: reliable, transient-local, `flow` as above,
// asynchronous (fragmenting), payloads that grow to the sample's size, a
// heartbeat every kHeartbeatMilliseconds and repairs sent at once.
// `sample_bytes` (0 if not known) bounds a paced history to
// kPacedHistoryBytes and a reader-paced one to kInFlightBytes. It matches readers
// with ROS 2's default QoS and with sensor-data (best-effort) QoS.
eprosima::fastdds::dds::DataWriterQos stream_writer_qos(
  eprosima::fastdds::dds::Publisher * publisher, WriterFlow flow = WriterFlow::PACED, std::size_t sample_bytes = 0);

// A volatile keep-all reader, reliable or best-effort (which also matches
// reliable writers), answering heartbeats at once.
eprosima::fastdds::dds::DataReaderQos stream_reader_qos(
  eprosima::fastdds::dds::Subscriber * subscriber, bool reliable);

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__NODE_ENVIRONMENT_HPP_
