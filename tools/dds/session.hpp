#ifndef ORVANE_H26X_MSGS_TOOLS__SESSION_HPP_
#define ORVANE_H26X_MSGS_TOOLS__SESSION_HPP_

// One topic of one message type on its own participant, with the writer or
// reader the program needs; everything is deleted with the session.

#include <chrono>
#include <string>

#include "fastdds/dds/publisher/DataWriter.hpp"
#include "fastdds/dds/subscriber/DataReader.hpp"
#include "fastdds/dds/subscriber/DataReaderListener.hpp"
#include "fastdds/dds/topic/TypeSupport.hpp"
#include "handle_topic_type.hpp"

namespace orvane_dds
{

class Session
{
public:
  Session(
    const rosidl_message_type_support_t * handle, MessageFactory factory, const std::string & topic,
    int domain, Transport transport);
  ~Session();
  Session(const Session &) = delete;
  Session & operator=(const Session &) = delete;

  eprosima::fastdds::dds::DataWriter * writer();
  eprosima::fastdds::dds::DataReader * reader(eprosima::fastdds::dds::DataReaderListener * listener);

  // Waits until the writer has found a reader; false on timeout.
  bool wait_for_reader(std::chrono::milliseconds timeout);

private:
  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  eprosima::fastdds::dds::TypeSupport type_;
  eprosima::fastdds::dds::Topic * topic_ = nullptr;
  eprosima::fastdds::dds::Publisher * publisher_ = nullptr;
  eprosima::fastdds::dds::Subscriber * subscriber_ = nullptr;
  eprosima::fastdds::dds::DataWriter * writer_ = nullptr;
  eprosima::fastdds::dds::DataReader * reader_ = nullptr;
};

}  // namespace orvane_dds

#endif  // ORVANE_H26X_MSGS_TOOLS__SESSION_HPP_
