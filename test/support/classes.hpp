#ifndef ORVANE_H26X_MSGS__TEST__CLASSES_HPP_
#define ORVANE_H26X_MSGS__TEST__CLASSES_HPP_

// Random message classes for tests, made by sending a random plain record
// through the plain writer and the class reader.

#include <random>

#include "cdr_streams.hpp"
#include "class_cdr.hpp"
#include "plain_cdr.hpp"
#include "random_plain.hpp"

namespace test_support
{

template<class Record>
struct ClassOf;
#define ORVANE_TEST_CLASS_OF(Msg) \
  template<> \
  struct ClassOf<orvane_h26x_msgs__msg__ ## Msg> {using type = orvane_h26x_msgs::msg::Msg;};
ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_CLASS_OF)
#undef ORVANE_TEST_CLASS_OF

template<class Record>
const message_type_support_callbacks_t * plain_callbacks()
{
  return detail::callbacks_of(detail::PlainCdrFunctions<Record>::handle());
}

template<class Record>
Bytes write_plain(
  const Record & record, Cdr::Endianness order = kLittle, std::size_t start = 0, bool * ok = nullptr,
  char fill = kDefaultFill)
{
  return write_message(
    [&](Cdr & cdr) {return plain_callbacks<Record>()->cdr_serialize(&record, cdr);}, order, start,
    detail::PlainCdrFunctions<Record>::size(&record, start) + 64, ok, fill);
}

template<class Class>
Bytes write_class(const Class & message, Cdr::Endianness order = kLittle, std::size_t start = 0, char fill = kDefaultFill)
{
  return write_message(
    [&](Cdr & cdr) {return orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_serialize(message, cdr);},
    order, start, orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::get_serialized_size(message, start) + 64,
    nullptr, fill);
}

template<class Class>
void read_class(const Bytes & bytes, Class & message, Cdr::Endianness order = kLittle, std::size_t start = 0)
{
  Reader reader(bytes, order, start);
  orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_deserialize(reader.cdr(), message);
}

template<class Record, class Class = typename ClassOf<Record>::type>
Class random_class(std::mt19937 & rng, const RandomShape & shape = {})
{
  Plain<Record> record;
  randomize(*record, rng, shape);
  Class message;
  read_class(write_plain(*record), message);
  return message;
}

}  // namespace test_support

#endif  // ORVANE_H26X_MSGS__TEST__CLASSES_HPP_
