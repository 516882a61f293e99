#include "topic_finder.hpp"

#include <stdexcept>

#include "fastdds/dds/domain/DomainParticipantFactory.hpp"

namespace orvane_dds
{
using namespace eprosima::fastdds::dds;

TopicFinder::TopicFinder(int domain, Transport transport)
{
  participant_ = create_participant(domain, transport, "orvane_h26x_msgs:discovery", this);
  if (!participant_) {
    throw std::runtime_error("cannot create a DDS participant to find topics");
  }
}

TopicFinder::~TopicFinder()
{
  DomainParticipantFactory::get_instance()->delete_participant(participant_);
}

void TopicFinder::on_publisher_discovery(
  DomainParticipant *, eprosima::fastrtps::rtps::WriterDiscoveryInfo && info)
{
  if (info.status != eprosima::fastrtps::rtps::WriterDiscoveryInfo::DISCOVERED_WRITER) {
    return;
  }
  std::pair<std::string, std::string> found(info.info.topicName().to_string(), info.info.typeName().to_string());
  std::lock_guard<std::mutex> lock(mutex_);
  if (seen_.insert(found).second) {
    new_.push_back(std::move(found));
  }
}

std::vector<std::pair<std::string, std::string>> TopicFinder::take_new()
{
  std::lock_guard<std::mutex> lock(mutex_);
  return std::move(new_);
}

}  // namespace orvane_dds
