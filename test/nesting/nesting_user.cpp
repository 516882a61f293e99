// A nesting package's generated code over this package's types: the C
// records' init / copy / are_equal / fini, the C++ class, and both
// introspection walks, which reach the nested members through this package's
// handles. Random nested content; every result is checked against this
// package's own functions or a direct walk of its field lists.
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>

#include "h26x_bundle_msgs/msg/bundle.h"
#include "h26x_bundle_msgs/msg/bundle.hpp"
#include "h26x_bundle_msgs/msg/detail/bundle__rosidl_typesupport_introspection_c.h"
#include "h26x_bundle_msgs/msg/detail/bundle__rosidl_typesupport_introspection_cpp.hpp"
#include "orvane_h26x_msgs/msg/detail/compressed__rosidl_typesupport_introspection_c.h"
#include "orvane_h26x_msgs/msg/detail/multi_compressed__rosidl_typesupport_introspection_cpp.hpp"
#include "rosidl_typesupport_introspection_c/field_types.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

#include "classes.hpp"
#include "random_plain.hpp"

namespace
{
namespace detail = orvane_h26x_msgs::msg::detail;
using test_support::randomize;

int failures = 0;

void check(bool condition, const std::string & what)
{
  if (!condition) {
    std::fprintf(stderr, "nesting_user: FAILED: %s\n", what.c_str());
    ++failures;
  }
}

// What a walk sees: the messages, the bytes of every uint8[] and the
// integers (headers' nanoseconds included), summed.
struct Digest
{
  std::size_t messages = 0;
  std::size_t bytes = 0;
  std::uint64_t byte_sum = 0;
  std::uint64_t integer_sum = 0;
  bool operator==(const Digest & other) const
  {
    return messages == other.messages && bytes == other.bytes && byte_sum == other.byte_sum &&
           integer_sum == other.integer_sum;
  }
};

// Plain sequences and std::vector (or arrays) alike.
template<class S>
auto length(const S & s) -> decltype(s.size()) {return s.size();}
template<class S>
auto length(const S & s) -> decltype(s.size + 0) {return s.size;}
template<class S>
auto item(const S & s, std::size_t i) -> decltype(s[i]) {return s[i];}
template<class S>
auto item(const S & s, std::size_t i) -> decltype(s.data[i]) {return s.data[i];}

void digest_header(std::uint32_t nanosec, Digest & digest)
{
  digest.messages += 2;  // Header and its Time
  digest.integer_sum += nanosec;
}

// The direct walk, over this package's field lists (records or classes).
template<class Message>
void digest_fields(const Message & message, Digest & digest)
{
  ++digest.messages;
  detail::FieldList<Message>::visit(
    message, [&digest](const auto & member, auto field) {
      using Member = std::decay_t<decltype(member)>;
      constexpr detail::FieldKind kind = decltype(field)::kind;
      if constexpr (std::is_integral_v<Member>) {
        digest.integer_sum += member;
      } else if constexpr (kind == detail::FieldKind::HEADER) {
        digest_header(member.stamp.nanosec, digest);
      } else if constexpr (kind == detail::FieldKind::HEADER_SEQUENCE) {
        for (std::size_t i = 0; i < length(member); ++i) {
          digest_header(item(member, i).stamp.nanosec, digest);
        }
      } else if constexpr (kind == detail::FieldKind::UINT8_SEQUENCE) {
        for (std::size_t i = 0; i < length(member); ++i) {
          digest.byte_sum += item(member, i);
        }
        digest.bytes += length(member);
      } else if constexpr (kind == detail::FieldKind::MESSAGE_SEQUENCE) {
        for (std::size_t i = 0; i < length(member); ++i) {
          digest_fields(item(member, i), digest);
        }
      }
      return true;
    });
}

template<class Bundle>
Digest digest_bundle(const Bundle & bundle)
{
  Digest digest;
  ++digest.messages;
  digest_fields(bundle.video, digest);
  for (std::size_t i = 0; i < length(bundle.multi); ++i) {
    digest_fields(item(bundle.multi, i), digest);
  }
  for (const auto & image : bundle.stereo) {
    digest_fields(image, digest);
  }
  for (std::size_t i = 0; i < length(bundle.thumbnails); ++i) {
    digest_fields(item(bundle.thumbnails, i), digest);
  }
  return digest;
}

// The generic walk through introspection tables, C or C++: the nesting
// package's table at the top, this package's (and std_msgs') below it.
template<class Members>
void digest_introspected(const Members & members, const void * message, Digest & digest)
{
  ++digest.messages;
  for (std::uint32_t m = 0; m < members.member_count_; ++m) {
    const auto & member = members.members_[m];
    const void * field = static_cast<const char *>(message) + member.offset_;
    const bool many = member.is_array_;
    const std::size_t count = many ? member.size_function(field) : 1;
    for (std::size_t i = 0; i < count; ++i) {
      const void * element = many ? member.get_const_function(field, i) : field;
      switch (member.type_id_) {
        case rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE:
          digest_introspected(*static_cast<const Members *>(member.members_->data), element, digest);
          break;
        case rosidl_typesupport_introspection_c__ROS_TYPE_UINT8:
          if (many) {
            digest.byte_sum += *static_cast<const std::uint8_t *>(element);
            ++digest.bytes;
          } else {
            digest.integer_sum += *static_cast<const std::uint8_t *>(element);
          }
          break;
        case rosidl_typesupport_introspection_c__ROS_TYPE_UINT32:
          digest.integer_sum += *static_cast<const std::uint32_t *>(element);
          break;
        case rosidl_typesupport_introspection_c__ROS_TYPE_UINT64:
          digest.integer_sum += *static_cast<const std::uint64_t *>(element);
          break;
        default:  // strings and the stamps' seconds are not digested
          break;
      }
    }
  }
}

void c_records(std::mt19937 & rng)
{
  for (int round = 0; round < 20; ++round) {
    h26x_bundle_msgs__msg__Bundle * source = h26x_bundle_msgs__msg__Bundle__create();
    randomize(source->video, rng);
    orvane_h26x_msgs__msg__MultiCompressed__Sequence__fini(&source->multi);
    orvane_h26x_msgs__msg__MultiCompressed__Sequence__init(&source->multi, rng() % 3);
    for (std::size_t i = 0; i < source->multi.size; ++i) {
      randomize(source->multi.data[i], rng);
    }
    for (auto & image : source->stereo) {
      randomize(image, rng);
    }
    orvane_h26x_msgs__msg__Image__Sequence__fini(&source->thumbnails);
    orvane_h26x_msgs__msg__Image__Sequence__init(&source->thumbnails, rng() % 4);
    for (std::size_t i = 0; i < source->thumbnails.size; ++i) {
      randomize(source->thumbnails.data[i], rng);
    }

    h26x_bundle_msgs__msg__Bundle copy;
    check(h26x_bundle_msgs__msg__Bundle__init(&copy), "Bundle__init");
    check(h26x_bundle_msgs__msg__Bundle__copy(source, &copy), "Bundle__copy");
    check(h26x_bundle_msgs__msg__Bundle__are_equal(source, &copy), "the copy equals the source");
    check(orvane_h26x_msgs__msg__Compressed__are_equal(&source->video, &copy.video), "video copied");
    check(
      orvane_h26x_msgs__msg__MultiCompressed__Sequence__are_equal(&source->multi, &copy.multi),
      "multi copied");
    check(
      orvane_h26x_msgs__msg__Image__Sequence__are_equal(&source->thumbnails, &copy.thumbnails),
      "thumbnails copied");
    for (int i = 0; i < 2; ++i) {
      check(orvane_h26x_msgs__msg__Image__are_equal(&source->stereo[i], &copy.stereo[i]), "stereo copied");
      check(
        source->stereo[i].data.size == 0 || source->stereo[i].data.data != copy.stereo[i].data.data,
        "the copy owns its bytes");
    }

    // One byte changed deep down is seen by both packages' comparisons.
    if (copy.video.images.size && copy.video.images.data[0].data.size) {
      copy.video.images.data[0].data.data[0] ^= 1;
      check(!h26x_bundle_msgs__msg__Bundle__are_equal(source, &copy), "a changed byte makes Bundles differ");
      check(!orvane_h26x_msgs__msg__Compressed__are_equal(&source->video, &copy.video), "and Compressed differ");
    }

    // The introspection walk through the nesting table meets the direct one.
    const auto * handle = rosidl_typesupport_introspection_c__get_message_type_support_handle__h26x_bundle_msgs__msg__Bundle();
    const auto & members = *static_cast<const rosidl_typesupport_introspection_c__MessageMembers *>(handle->data);
    check(
      members.members_[0].members_ ==
      rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__Compressed(),
      "the nested C member points at this package's handle");
    Digest walked;
    digest_introspected(members, source, walked);
    check(walked == digest_bundle(*source), "the C introspection walk sees what the records hold");

    h26x_bundle_msgs__msg__Bundle__fini(&copy);
    h26x_bundle_msgs__msg__Bundle__destroy(source);
  }
}

void cpp_classes(std::mt19937 & rng)
{
  using test_support::random_class;
  for (int round = 0; round < 20; ++round) {
    h26x_bundle_msgs::msg::Bundle source;
    source.video = random_class<orvane_h26x_msgs__msg__Compressed>(rng);
    source.multi.resize(rng() % 3);
    for (auto & multi : source.multi) {
      multi = random_class<orvane_h26x_msgs__msg__MultiCompressed>(rng);
    }
    for (auto & image : source.stereo) {
      image = random_class<orvane_h26x_msgs__msg__Image>(rng);
    }
    for (std::size_t i = rng() % 4; i > 0; --i) {
      source.thumbnails.push_back(random_class<orvane_h26x_msgs__msg__Image>(rng));
    }
    source.label = "bundle " + std::to_string(round);

    h26x_bundle_msgs::msg::Bundle copy = source;
    check(copy == source, "the class copy equals the source");
    check(copy.video == source.video && copy.multi == source.multi, "nested members compare equal");
    if (!copy.multi.empty() && !copy.multi.back().h26x_images.empty()) {
      copy.multi.back().h26x_images.back().count ^= 1;
      check(copy != source && copy.multi != source.multi, "a changed nested field makes them differ");
    }

    const auto * handle =
      rosidl_typesupport_introspection_cpp::get_message_type_support_handle<h26x_bundle_msgs::msg::Bundle>();
    const auto & members = *static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(handle->data);
    check(
      members.members_[1].members_ ==
      rosidl_typesupport_introspection_cpp::get_message_type_support_handle<orvane_h26x_msgs::msg::MultiCompressed>(),
      "the nested C++ member points at this package's handle");
    Digest walked;
    digest_introspected(members, &source, walked);
    check(walked == digest_bundle(source), "the C++ introspection walk sees what the classes hold");
  }
}

}  // namespace

int main()
{
  std::mt19937 rng(18);
  c_records(rng);
  cpp_classes(rng);
  std::printf("nesting_user: %s\n", failures ? "FAILED" : "C records, C++ classes and both introspections agree");
  return failures ? 1 : 0;
}
