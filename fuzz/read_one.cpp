// libFuzzer harness for one reader: FUZZ_MESSAGE names the message, FUZZ_PLAIN
// picks the plain (1) or the class (0) CDR type support. The first byte
// chooses the byte order; the rest is the message. Any input may fail by
// exception or false, but must not crash, leak or allocate without bound.

#include <cstdint>
#include <cstdlib>

#include "classes.hpp"
#include "fastcdr/exceptions/Exception.h"

#define FUZZ_RECORD_(Msg) orvane_h26x_msgs__msg__ ## Msg
#define FUZZ_RECORD(Msg) FUZZ_RECORD_(Msg)

using Record = FUZZ_RECORD(FUZZ_MESSAGE);
using Class = test_support::ClassOf<Record>::type;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  if (size == 0) {
    return 0;
  }
  const auto order = (data[0] & 1) ? test_support::kBig : test_support::kLittle;
  const test_support::Bytes input(data + 1, data + size);
  test_support::Reader reader(input, order);
  if (FUZZ_PLAIN) {
    auto * record = static_cast<Record *>(std::calloc(1, sizeof(Record)));
    try {
      test_support::plain_callbacks<Record>()->cdr_deserialize(reader.cdr(), record);
    } catch (const eprosima::fastcdr::exception::Exception &) {
    }
    test_support::detail::PlainFunctions<Record>::fini(record);
    std::free(record);
  } else {
    Class message;
    try {
      orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_deserialize(reader.cdr(), message);
    } catch (const eprosima::fastcdr::exception::Exception &) {
    }
  }
  return 0;
}
