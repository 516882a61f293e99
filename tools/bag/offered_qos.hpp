#ifndef ORVANE_H26X_MSGS_TOOLS__BAG__OFFERED_QOS_HPP_
#define ORVANE_H26X_MSGS_TOOLS__BAG__OFFERED_QOS_HPP_

// What a topic's publishers offer, as rosbag2 stores it: a YAML list, one
// entry per publisher, with rmw's enum values (reliability 1 reliable, 2
// best effort; durability 1 transient local, 2 volatile; liveliness 1
// automatic, 3 manual by topic) and history unknown (3, depth 0), since
// discovery does not tell it.

#include <cstdint>
#include <string>
#include <vector>

namespace bag
{

struct OfferedQos
{
  int reliability = 1;
  int durability = 2;
  int liveliness = 1;
  int64_t deadline_ns = -1;  // -1: infinite
  int64_t lifespan_ns = -1;
  int64_t lease_ns = -1;
};

std::string offered_qos_yaml(const std::vector<OfferedQos> & publishers);

}  // namespace bag

#endif  // ORVANE_H26X_MSGS_TOOLS__BAG__OFFERED_QOS_HPP_
