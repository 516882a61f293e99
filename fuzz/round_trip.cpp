// libFuzzer harness over all six messages and both representations: what a
// reader accepts, the writers write back, and reading that again gives equal
// contents; a message read by the plain reader is written byte for byte
// alike by both writers. The first byte picks the message and byte order.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "classes.hpp"
#include "fastcdr/exceptions/Exception.h"

namespace
{
using namespace test_support;

[[noreturn]] void broken(const char * what)
{
  std::fprintf(stderr, "round trip broken: %s\n", what);
  std::abort();
}

template<class Record>
void round_trip(const Bytes & input, Cdr::Endianness order)
{
  using Class = typename ClassOf<Record>::type;
  // Class side: inner zero bytes of strings are dropped by the first write,
  // so the contents settle after one write and read.
  Class first;
  try {
    Reader reader(input, order);
    orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::cdr_deserialize(reader.cdr(), first);
    Class second, third;
    read_class(write_class(first, order), second, order);
    const Bytes settled = write_class(second, order);
    read_class(settled, third, order);
    if (!(second == third) || write_class(third, order) != settled) {
      broken("class write and read");
    }
  } catch (const eprosima::fastcdr::exception::Exception &) {
  }

  // Plain side, and the class writer against the plain writer.
  Plain<Record> plain;
  bool read = false;
  try {
    Reader reader(input, order);
    read = plain_callbacks<Record>()->cdr_deserialize(reader.cdr(), plain.get());
  } catch (const eprosima::fastcdr::exception::Exception &) {
  }
  if (!read) {
    return;
  }
  bool written = false;
  const Bytes bytes = write_plain(*plain, order, 0, &written);
  if (!written) {
    broken("plain write of what the plain reader accepted");
  }
  Plain<Record> again;
  Reader reader(bytes, order);
  if (!plain_callbacks<Record>()->cdr_deserialize(reader.cdr(), again.get()) ||
    !detail::PlainFunctions<Record>::are_equal(plain.get(), again.get()))
  {
    broken("plain write and read");
  }
  Class object;
  read_class(bytes, object, order);
  if (write_class(object, order) != bytes) {
    broken("class and plain writers differ");
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  if (size == 0) {
    return 0;
  }
  const auto order = (data[0] & 0x80) ? kBig : kLittle;
  const Bytes input(data + 1, data + size);
  switch (data[0] % 6) {
    case 0: round_trip<orvane_h26x_msgs__msg__Image>(input, order); break;
    case 1: round_trip<orvane_h26x_msgs__msg__Compressed>(input, order); break;
    case 2: round_trip<orvane_h26x_msgs__msg__DualCompressedImage>(input, order); break;
    case 3: round_trip<orvane_h26x_msgs__msg__OriginalImage>(input, order); break;
    case 4: round_trip<orvane_h26x_msgs__msg__MultiImage>(input, order); break;
    default: round_trip<orvane_h26x_msgs__msg__MultiCompressed>(input, order); break;
  }
  return 0;
}
