#ifndef ORVANE_H26X_MSGS_TOOLS__DDS__TOPIC_FINDER_HPP_
#define ORVANE_H26X_MSGS_TOOLS__DDS__TOPIC_FINDER_HPP_

// The topics that writers on the domain publish, with their DDS type
// names, as discovery reports them (for recording "all" topics of a type).

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fastdds/dds/domain/DomainParticipant.hpp"
#include "fastdds/dds/domain/DomainParticipantListener.hpp"
#include "node_environment.hpp"

namespace orvane_dds
{

class TopicFinder : public eprosima::fastdds::dds::DomainParticipantListener
{
public:
  TopicFinder(int domain, Transport transport);
  ~TopicFinder() override;

  // Topics (DDS names) and type names found since the last call.
  std::vector<std::pair<std::string, std::string>> take_new();

  void on_publisher_discovery(
    eprosima::fastdds::dds::DomainParticipant *, eprosima::fastrtps::rtps::WriterDiscoveryInfo && info) override;

private:
  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  std::mutex mutex_;
  std::set<std::pair<std::string, std::string>> seen_;
  std::vector<std::pair<std::string, std::string>> new_;
};

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__DDS__TOPIC_FINDER_HPP_
