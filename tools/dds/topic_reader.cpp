#include "topic_reader.hpp"

#include <map>

#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/SampleInfo.hpp"

namespace orvane_dds
{
using namespace eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::GUID_t;
using eprosima::fastrtps::rtps::WriterDiscoveryInfo;

// The writers on the topic that offer best-effort only, as discovery reports
// them. Their samples reach the best-effort reader alone; a reliable writer's
// samples reach both readers.
class TopicReader::Writers : public DomainParticipantListener
{
public:
  explicit Writers(std::string topic) : topic_(std::move(topic)) {}

  void on_publisher_discovery(DomainParticipant *, WriterDiscoveryInfo && info) override
  {
    if (info.info.topicName().to_string() != topic_) {
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const auto & qos = info.info.m_qos;
    if (info.status != WriterDiscoveryInfo::REMOVED_WRITER && qos.m_reliability.kind == BEST_EFFORT_RELIABILITY_QOS) {
      best_effort_.insert(info.info.guid());
    } else {
      best_effort_.erase(info.info.guid());
    }
    if (info.status == WriterDiscoveryInfo::DISCOVERED_WRITER) {
      bag::OfferedQos offered;
      offered.reliability = qos.m_reliability.kind == BEST_EFFORT_RELIABILITY_QOS ? 2 : 1;
      offered.durability = qos.m_durability.kind == VOLATILE_DURABILITY_QOS ? 2 : 1;
      offered.liveliness = qos.m_liveliness.kind == AUTOMATIC_LIVELINESS_QOS ? 1 :
        qos.m_liveliness.kind == MANUAL_BY_PARTICIPANT_LIVELINESS_QOS ? 2 : 3;
      offered.deadline_ns = nanoseconds(qos.m_deadline.period);
      offered.lifespan_ns = nanoseconds(qos.m_lifespan.duration);
      offered.lease_ns = nanoseconds(qos.m_liveliness.lease_duration);
      offered_[info.info.guid()] = offered;
    }
  }

  std::vector<bag::OfferedQos> offered() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<bag::OfferedQos> all;
    for (const auto & [guid, qos] : offered_) {
      all.push_back(qos);
    }
    return all;
  }

  bool any_best_effort() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return !best_effort_.empty();
  }

  bool best_effort(const eprosima::fastrtps::rtps::InstanceHandle_t & writer) const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return best_effort_.count(eprosima::fastrtps::rtps::iHandle2GUID(writer)) > 0;
  }

private:
  static int64_t nanoseconds(const eprosima::fastrtps::Duration_t & duration)
  {
    return duration == eprosima::fastrtps::c_TimeInfinite ? -1 :
           int64_t{duration.seconds} * 1000000000 + duration.nanosec;
  }
  const std::string topic_;
  mutable std::mutex mutex_;
  std::set<GUID_t> best_effort_;
  std::map<GUID_t, bag::OfferedQos> offered_;
};

class TopicReader::Listener : public DataReaderListener
{
public:
  Listener(TopicReader & owner, bool best_effort) : owner_(owner), best_effort_(best_effort) {}
  void on_data_available(DataReader * reader) override {owner_.take(reader, best_effort_);}

private:
  TopicReader & owner_;
  const bool best_effort_;
};

TopicReader::TopicReader(
  const rosidl_message_type_support_t * type_supports, MessageFactory factory, bool keep_bytes,
  const std::string & topic, int domain, Transport transport, OnSample on_sample)
: on_sample_(std::move(on_sample)), factory_(factory), writers_(std::make_unique<Writers>(topic)),
  type_(new PassThroughTopicType(type_supports, std::move(factory), keep_bytes)),
  reliable_(std::make_unique<Listener>(*this, false)), best_effort_(std::make_unique<Listener>(*this, true))
{
  sample_.message = factory_.create();
  session_ = std::make_unique<Session>(type_, topic, domain, transport, writers_.get());
  session_->reader(reliable_.get(), true);
}

void TopicReader::update()
{
  // Not from the discovery callback itself: no entity is made on the
  // middleware's threads.
  if (!best_effort_made_ && writers_->any_best_effort()) {
    session_->reader(best_effort_.get(), false);
    best_effort_made_ = true;
  }
}

std::vector<bag::OfferedQos> TopicReader::offered_qos() const
{
  return writers_->offered();
}

TopicReader::~TopicReader()
{
  session_.reset();  // no listener runs after this
  factory_.destroy(sample_.message);
}

void TopicReader::take(DataReader * reader, bool best_effort_reader)
{
  std::lock_guard<std::mutex> lock(taking_);
  SampleInfo info;
  eprosima::fastrtps::rtps::SampleIdentity failed;
  while (reader->get_first_untaken_info(&info) == ReturnCode_t::RETCODE_OK) {
    if (best_effort_reader && !writers_->best_effort(info.publication_handle)) {
      DiscardSamples discard;
      reader->take_next_sample(&sample_, &info);
      continue;
    }
    // A sample that does not decode is counted and removed by Fast DDS
    // (take says NO_DATA); the samples behind it are taken all the same.
    const eprosima::fastrtps::rtps::SampleIdentity identity = info.sample_identity;
    if (identity == failed) {
      break;
    }
    if (reader->take_next_sample(&sample_, &info) != ReturnCode_t::RETCODE_OK) {
      failed = identity;
      continue;
    }
    if (info.valid_data) {
      on_sample_(sample_);
    }
  }
}

}  // namespace orvane_dds
