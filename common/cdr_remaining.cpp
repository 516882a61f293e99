// Fast-CDR 1.x keeps the end of the stream's buffer private; its own
// sequence readers compare received counts with it. Ours need the same
// number. An explicit template instantiation may name a private member,
// which gives a pointer to it without touching Fast-CDR.
#include "cdr_common.hpp"

namespace orvane_h26x_msgs::msg::detail
{
namespace
{
struct CdrEndOfBuffer
{
  using type = eprosima::fastcdr::FastBuffer::iterator eprosima::fastcdr::Cdr::*;
  friend type member_pointer(CdrEndOfBuffer);
};

template<class Tag, typename Tag::type Member>
struct PrivateMember
{
  friend typename Tag::type member_pointer(Tag) {return Member;}
};

template struct PrivateMember<CdrEndOfBuffer, &eprosima::fastcdr::Cdr::m_lastPosition>;
}  // namespace

std::size_t remaining_bytes(eprosima::fastcdr::Cdr & cdr)
{
  eprosima::fastcdr::FastBuffer::iterator end = cdr.*member_pointer(CdrEndOfBuffer{});
  return static_cast<std::size_t>(&end - cdr.getCurrentPosition());
}
}  // namespace orvane_h26x_msgs::msg::detail
