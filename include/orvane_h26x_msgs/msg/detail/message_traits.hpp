#ifndef ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_TRAITS_HPP_
#define ORVANE_H26X_MSGS__MSG__DETAIL__MESSAGE_TRAITS_HPP_

// YAML text form and rosidl_generator_traits of the message classes.
//
// to_yaml / to_flow_style_yaml / to_block_style_yaml print what ROS 2's
// generated traits print, every byte of a byte sequence included, so that
// YAML readers (ros2 topic pub, parsers) take the text back. to_short_yaml
// is the same text for people: byte sequences over kYamlBytesShown bytes, such
// as multi-megabyte frames, become "{size: N, head: [first bytes]}".

#include <cstddef>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "rosidl_runtime_cpp/traits.hpp"
#include "std_msgs/msg/detail/header__traits.hpp"
#include "orvane_h26x_msgs/msg/detail/field_list.hpp"

namespace orvane_h26x_msgs::msg::detail
{

constexpr std::size_t kYamlBytesShown = 16;

struct YamlStyle
{
  bool flow;
  bool short_bytes;
};

template<class Message>
void write_yaml(const Message & message, std::ostream & out, YamlStyle style, std::size_t indentation);

template<class Value, class = void>
constexpr bool is_text = false;
template<class Value>
constexpr bool is_text<Value, std::void_t<decltype(std::declval<const Value &>().c_str())>> = true;
template<class Value>
constexpr bool is_yaml_scalar = std::is_integral_v<Value> || is_text<Value>;

template<class Value>
void write_yaml_scalar(const Value & value, std::ostream & out)
{
  if constexpr (std::is_integral_v<Value> || std::is_same_v<Value, std::string>) {
    rosidl_generator_traits::value_to_yaml(value, out);
  } else {
    rosidl_generator_traits::value_to_yaml(std::string(value.data(), value.size()), out);
  }
}

template<class Nested>
void write_yaml_nested(const Nested & nested, std::ostream & out, YamlStyle style, std::size_t indentation)
{
  if constexpr (std::is_same_v<Nested, std_msgs::msg::Header>) {
    if (style.flow) {
      std_msgs::msg::to_flow_style_yaml(nested, out);
    } else {
      std_msgs::msg::to_block_style_yaml(nested, out, indentation);
    }
  } else {
    write_yaml(nested, out, style, indentation);
  }
}

// "{size: N, head: [...]}" for a long byte sequence in the short form.
template<class Sequence>
bool write_yaml_short_bytes(const Sequence & bytes, std::ostream & out, YamlStyle style)
{
  if constexpr (std::is_same_v<typename Sequence::value_type, std::uint8_t>) {
    if (style.short_bytes && bytes.size() > kYamlBytesShown) {
      out << "{size: " << bytes.size() << ", head: [";
      for (std::size_t i = 0; i < kYamlBytesShown; ++i) {
        out << (i ? ", " : "") << static_cast<unsigned>(bytes[i]);
      }
      out << "]}";
      return true;
    }
  }
  return false;
}

template<class Sequence>
void write_yaml_sequence(
  const char * name, const Sequence & items, std::ostream & out, YamlStyle style, std::size_t indentation)
{
  using Element = typename Sequence::value_type;
  out << name << ":";
  if (items.empty()) {
    out << (style.flow ? " []" : " []\n");
    return;
  }
  if (style.flow || (style.short_bytes && std::is_same_v<Element, std::uint8_t>&& items.size() > kYamlBytesShown)) {
    out << " ";
    if (write_yaml_short_bytes(items, out, style)) {
      out << (style.flow ? "" : "\n");
      return;
    }
    out << "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
      out << (i ? ", " : "");
      if constexpr (is_yaml_scalar<Element>) {
        write_yaml_scalar(items[i], out);
      } else {
        write_yaml_nested(items[i], out, style, 0);
      }
    }
    out << "]";
    return;
  }
  out << "\n";
  for (const auto & item : items) {
    out << std::string(indentation, ' ');
    if constexpr (is_yaml_scalar<Element>) {
      out << "- ";
      write_yaml_scalar(item, out);
      out << "\n";
    } else {
      out << "-\n";
      write_yaml_nested(item, out, style, indentation + 2);
    }
  }
}

// The generated traits' layout: flow "{a: 1, b: [2, 3]}"; block one field
// per line at `indentation`, nested messages two spaces further in, sequence
// items as "- " lines at the field's own indentation.
template<class Message>
void write_yaml(const Message & message, std::ostream & out, YamlStyle style, std::size_t indentation)
{
  if (style.flow) {
    out << "{";
  }
  FieldList<Message>::visit(
    message, [&](const auto & member, auto field) {
      using Member = std::decay_t<decltype(member)>;
      if (style.flow) {
        out << (field.index ? ", " : "");
      } else {
        out << std::string(indentation, ' ');
      }
      if constexpr (is_yaml_scalar<Member>) {
        out << field.name << ": ";
        write_yaml_scalar(member, out);
        out << (style.flow ? "" : "\n");
      } else if constexpr (is_sequence(decltype(field)::kind)) {
        write_yaml_sequence(field.name, member, out, style, indentation);
      } else {
        out << field.name << (style.flow ? ": " : ":\n");
        write_yaml_nested(member, out, style, indentation + 2);
      }
      return true;
    });
  if (style.flow) {
    out << "}";
  }
}

template<class Message>
std::string yaml_text(const Message & message, YamlStyle style)
{
  std::ostringstream out;
  write_yaml(message, out, style, 0);
  return out.str();
}

}  // namespace orvane_h26x_msgs::msg::detail

#define ORVANE_H26X_MSGS__DEFINE_MESSAGE_TRAITS(Msg) \
  namespace orvane_h26x_msgs::msg \
  { \
  inline void to_flow_style_yaml(const Msg & msg, std::ostream & out) \
  { \
    detail::write_yaml(msg, out, {true, false}, 0); \
  } \
  inline void to_block_style_yaml(const Msg & msg, std::ostream & out, size_t indentation = 0) \
  { \
    detail::write_yaml(msg, out, {false, false}, indentation); \
  } \
  inline std::string to_yaml(const Msg & msg, bool use_flow_style = false) \
  { \
    return detail::yaml_text(msg, {use_flow_style, false}); \
  } \
  /* to_yaml's text with long byte sequences as their size and first bytes */ \
  inline std::string to_short_yaml(const Msg & msg, bool use_flow_style = false) \
  { \
    return detail::yaml_text(msg, {use_flow_style, true}); \
  } \
  } \
  namespace rosidl_generator_traits \
  { \
  [[deprecated("use orvane_h26x_msgs::msg::to_block_style_yaml() instead")]] \
  inline void to_yaml(const orvane_h26x_msgs::msg::Msg & msg, std::ostream & out, size_t indentation = 0) \
  { \
    orvane_h26x_msgs::msg::to_block_style_yaml(msg, out, indentation); \
  } \
  [[deprecated("use orvane_h26x_msgs::msg::to_yaml() instead")]] \
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
