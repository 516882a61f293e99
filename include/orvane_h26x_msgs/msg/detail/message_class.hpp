#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_CLASS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_CLASS_HPP_

// Builds the class templates orvane_h26x_msgs::msg::<Type>_ from the field
// lists (<snake>__fields.h): one public member per field, in field order.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rosidl_runtime_cpp/message_initialization.hpp"
#include "std_msgs/msg/detail/header__struct.hpp"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"

namespace orvane_h26x_msgs::msg::detail
{
template<class Allocator, class T>
using rebind_t = typename std::allocator_traits<Allocator>::template rebind_alloc<T>;
template<class Allocator>
using string_t = std::basic_string<char, std::char_traits<char>, rebind_t<Allocator, char>>;
template<class Allocator, class T>
using vector_t = std::vector<T, rebind_t<Allocator, T>>;

constexpr bool writes_values(rosidl_runtime_cpp::MessageInitialization mode)
{
  return mode == rosidl_runtime_cpp::MessageInitialization::ALL ||
         mode == rosidl_runtime_cpp::MessageInitialization::ZERO;
}
}  // namespace orvane_h26x_msgs::msg::detail

#define ORVANE_H26X_MSGS__CLASS_TYPE_UINT8(element) uint8_t
#define ORVANE_H26X_MSGS__CLASS_TYPE_UINT32(element) uint32_t
#define ORVANE_H26X_MSGS__CLASS_TYPE_UINT64(element) uint64_t
#define ORVANE_H26X_MSGS__CLASS_TYPE_STRING(element) \
  ::orvane_h26x_msgs::msg::detail::string_t<ContainerAllocator>
#define ORVANE_H26X_MSGS__CLASS_TYPE_UINT8_SEQUENCE(element) \
  ::orvane_h26x_msgs::msg::detail::vector_t<ContainerAllocator, uint8_t>
#define ORVANE_H26X_MSGS__CLASS_TYPE_STRING_SEQUENCE(element) \
  ::orvane_h26x_msgs::msg::detail::vector_t<ContainerAllocator, \
    ::orvane_h26x_msgs::msg::detail::string_t<ContainerAllocator>>
#define ORVANE_H26X_MSGS__CLASS_TYPE_HEADER(element) ::std_msgs::msg::Header_<ContainerAllocator>
#define ORVANE_H26X_MSGS__CLASS_TYPE_HEADER_SEQUENCE(element) \
  ::orvane_h26x_msgs::msg::detail::vector_t<ContainerAllocator, \
    ::std_msgs::msg::Header_<ContainerAllocator>>
#define ORVANE_H26X_MSGS__CLASS_TYPE_MESSAGE_SEQUENCE(element) \
  ::orvane_h26x_msgs::msg::detail::vector_t<ContainerAllocator, \
    ::orvane_h26x_msgs::msg::element ## _<ContainerAllocator>>

#define ORVANE_H26X_MSGS__CLASS_MEMBER(name, kind, element) \
  using _ ## name ## _type = ORVANE_H26X_MSGS__CLASS_TYPE_ ## kind(element); \
  _ ## name ## _type name;
#define ORVANE_H26X_MSGS__CLASS_SETTER(name, kind, element) \
  Type & set__ ## name(const _ ## name ## _type & _arg) \
  { \
    this->name = _arg; \
    return *this; \
  }
#define ORVANE_H26X_MSGS__CLASS_EQUAL(name, kind, element) && this->name == other.name

// A single header is built with the message's own mode; there is at most one.
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT(name, kind, element) \
  ORVANE_H26X_MSGS__CLASS_HEADER_INIT_ ## kind(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_HEADER(name) : name(_init)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_UINT8(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_UINT32(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_UINT64(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_STRING(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_UINT8_SEQUENCE(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_STRING_SEQUENCE(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_HEADER_SEQUENCE(name)
#define ORVANE_H26X_MSGS__CLASS_HEADER_INIT_MESSAGE_SEQUENCE(name)

// What ALL and ZERO write beyond the empty construction of every member.
#define ORVANE_H26X_MSGS__CLASS_ZERO(name, kind, element) ORVANE_H26X_MSGS__CLASS_ZERO_ ## kind(name)
#define ORVANE_H26X_MSGS__CLASS_ZERO_UINT8(name) this->name = 0;
#define ORVANE_H26X_MSGS__CLASS_ZERO_UINT32(name) this->name = 0;
#define ORVANE_H26X_MSGS__CLASS_ZERO_UINT64(name) this->name = 0;
#define ORVANE_H26X_MSGS__CLASS_ZERO_STRING(name) this->name = "";
#define ORVANE_H26X_MSGS__CLASS_ZERO_UINT8_SEQUENCE(name)
#define ORVANE_H26X_MSGS__CLASS_ZERO_STRING_SEQUENCE(name)
#define ORVANE_H26X_MSGS__CLASS_ZERO_HEADER(name)
#define ORVANE_H26X_MSGS__CLASS_ZERO_HEADER_SEQUENCE(name)
#define ORVANE_H26X_MSGS__CLASS_ZERO_MESSAGE_SEQUENCE(name)

// Defines template<class ContainerAllocator> struct <Type>_ with its
// constructors, members, setters, pointer aliases and comparison, followed by
// the FieldList that the type supports walk and the std::allocator alias.
// The class has default visibility so that libraries built with hidden
// symbols can still export functions and specialisations that name it.
#define ORVANE_H26X_MSGS__DEFINE_MESSAGE_CLASS(Msg) \
  namespace orvane_h26x_msgs::msg \
  { \
  template<class ContainerAllocator> \
  struct __attribute__((visibility("default"))) Msg ## _ \
  { \
    using Type = Msg ## _<ContainerAllocator>; \
    explicit Msg ## _( \
      ::rosidl_runtime_cpp::MessageInitialization _init = \
      ::rosidl_runtime_cpp::MessageInitialization::ALL) \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__CLASS_HEADER_INIT) \
    { \
      if (::orvane_h26x_msgs::msg::detail::writes_values(_init)) { \
        orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__CLASS_ZERO) \
      } \
    } \
    explicit Msg ## _( \
      const ContainerAllocator &, \
      ::rosidl_runtime_cpp::MessageInitialization _init = \
      ::rosidl_runtime_cpp::MessageInitialization::ALL) \
    : Msg ## _(_init) {} \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__CLASS_MEMBER) \
    orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__CLASS_SETTER) \
    using RawPtr = Type *; \
    using ConstRawPtr = const Type *; \
    using SharedPtr = std::shared_ptr<Type>; \
    using ConstSharedPtr = std::shared_ptr<const Type>; \
    template<typename Deleter = std::default_delete<Type>> \
    using UniquePtrWithDeleter = std::unique_ptr<Type, Deleter>; \
    using UniquePtr = UniquePtrWithDeleter<>; \
    template<typename Deleter = std::default_delete<Type>> \
    using ConstUniquePtrWithDeleter = std::unique_ptr<const Type, Deleter>; \
    using ConstUniquePtr = ConstUniquePtrWithDeleter<>; \
    using WeakPtr = std::weak_ptr<Type>; \
    using ConstWeakPtr = std::weak_ptr<const Type>; \
    bool operator==(const Type & other) const \
    { \
      return true orvane_h26x_msgs__msg__ ## Msg ## __FIELDS(ORVANE_H26X_MSGS__CLASS_EQUAL); \
    } \
    bool operator!=(const Type & other) const {return !(*this == other);} \
  }; \
  using Msg = Msg ## _<std::allocator<void>>; \
  namespace detail \
  { \
  template<class ContainerAllocator> \
  struct FieldList<::orvane_h26x_msgs::msg::Msg ## _<ContainerAllocator>> \
  { \
    ORVANE_H26X_MSGS__FIELD_LIST_BODY(Msg) \
  }; \
  } \
  }

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_CLASS_HPP_
