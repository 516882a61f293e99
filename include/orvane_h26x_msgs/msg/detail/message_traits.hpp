#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_TRAITS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_TRAITS_HPP_

// YAML text form and rosidl_generator_traits of the message classes.
//
// Byte sequences (uint8[]) of up to kYamlBytesShown bytes are printed in
// full; longer ones, such as multi-megabyte frames, as
// "{size: N, head: [first kYamlBytesShown bytes]}" so that a frame prints as
// one short line instead of millions.

#include <cstddef>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>

#include "rosidl_runtime_cpp/traits.hpp"
#include "std_msgs/msg/detail/header__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"

namespace orvane_h26x_msgs::msg::detail
{

constexpr std::size_t kYamlBytesShown = 16;

inline void yaml_indent(std::ostream & out, std::size_t indentation)
{
  out << std::string(indentation, ' ');
}

template<class Bytes>
void write_yaml_bytes(const Bytes & bytes, std::ostream & out)
{
  const bool whole = bytes.size() <= kYamlBytesShown;
  if (!whole) {
    out << "{size: " << bytes.size() << ", head: ";
  }
  out << "[";
  const std::size_t shown = whole ? bytes.size() : kYamlBytesShown;
  for (std::size_t i = 0; i < shown; ++i) {
    out << (i ? ", " : "") << static_cast<unsigned>(bytes[i]);
  }
  out << (whole ? "]" : "]}");
}

template<class Message>
void write_yaml(const Message & message, std::ostream & out, bool flow, std::size_t indentation);

template<class Element, class Sequence>
void write_yaml_elements(const Sequence & items, std::ostream & out, bool flow, std::size_t indentation)
{
  if (flow || items.empty()) {
    out << (flow ? "[" : " [");
    for (std::size_t i = 0; i < items.size(); ++i) {
      out << (i ? ", " : "");
      if constexpr (std::is_same_v<Element, std::string>) {
        rosidl_generator_traits::value_to_yaml(items[i], out);
      } else if constexpr (std::is_same_v<Element, std_msgs::msg::Header>) {
        std_msgs::msg::to_flow_style_yaml(items[i], out);
      } else {
        write_yaml(items[i], out, true, 0);
      }
    }
    out << (flow ? "]" : "]\n");
    return;
  }
  out << "\n";
  for (const auto & item : items) {
    yaml_indent(out, indentation);
    if constexpr (std::is_same_v<Element, std::string>) {
      out << "- ";
      rosidl_generator_traits::value_to_yaml(item, out);
      out << "\n";
    } else if constexpr (std::is_same_v<Element, std_msgs::msg::Header>) {
      out << "-\n";
      std_msgs::msg::to_block_style_yaml(item, out, indentation + 2);
    } else {
      out << "-\n";
      write_yaml(item, out, false, indentation + 2);
    }
  }
}

template<class Message>
void write_yaml(const Message & message, std::ostream & out, bool flow, std::size_t indentation)
{
  bool first = true;
  if (flow) {
    out << "{";
  }
  FieldList<Message>::visit(
    message, [&](const auto & member, auto field) {
      using Member = std::decay_t<decltype(member)>;
      constexpr FieldKind kind = decltype(field)::kind;
      if (flow) {
        out << (first ? "" : ", ") << field.name << ": ";
      } else {
        yaml_indent(out, indentation);
        out << field.name << ":";
      }
      first = false;
      if constexpr (kind == FieldKind::HEADER) {
        if (flow) {
          std_msgs::msg::to_flow_style_yaml(member, out);
        } else {
          out << "\n";
          std_msgs::msg::to_block_style_yaml(member, out, indentation + 2);
        }
      } else if constexpr (is_sequence(kind) && kind != FieldKind::UINT8_SEQUENCE) {
        write_yaml_elements<typename Member::value_type>(member, out, flow, indentation);
        return true;
      } else {
        if (!flow) {
          out << " ";
        }
        if constexpr (kind == FieldKind::UINT8_SEQUENCE) {
          write_yaml_bytes(member, out);
        } else {
          rosidl_generator_traits::value_to_yaml(member, out);
        }
        if (!flow) {
          out << "\n";
        }
      }
      return true;
    });
  if (flow) {
    out << "}";
  }
}

}  // namespace orvane_h26x_msgs::msg::detail

#define ORVANE_H26X_MSGS__DEFINE_MESSAGE_TRAITS(Msg) \
  namespace orvane_h26x_msgs::msg \
  { \
  inline void to_flow_style_yaml(const Msg & msg, std::ostream & out) \
  { \
    detail::write_yaml(msg, out, true, 0); \
  } \
  inline void to_block_style_yaml(const Msg & msg, std::ostream & out, size_t indentation = 0) \
  { \
    detail::write_yaml(msg, out, false, indentation); \
  } \
  inline std::string to_yaml(const Msg & msg, bool use_flow_style = false) \
  { \
    std::ostringstream out; \
    detail::write_yaml(msg, out, use_flow_style, 0); \
    return out.str(); \
  } \
  } \
  namespace rosidl_generator_traits \
  { \
  inline std::string to_yaml(const orvane_h26x_msgs::msg::Msg & msg) \
  { \
    return orvane_h26x_msgs::msg::to_yaml(msg); \
  } \
  template<> \
  inline const char * data_type<orvane_h26x_msgs::msg::Msg>() \
  { \
    return "orvane_h26x_msgs::msg::" #Msg; \
  } \
  template<> \
  inline const char * name<orvane_h26x_msgs::msg::Msg>() \
  { \
    return "orvane_h26x_msgs/msg/" #Msg; \
  } \
  template<> \
  struct has_fixed_size<orvane_h26x_msgs::msg::Msg>: std::false_type {}; \
  template<> \
  struct has_bounded_size<orvane_h26x_msgs::msg::Msg>: std::false_type {}; \
  template<> \
  struct is_message<orvane_h26x_msgs::msg::Msg>: std::true_type {}; \
  }

#endif  // ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_TRAITS_HPP_
