// The msg/ definitions, the field lists and the introspection tables agree;
// each library exports exactly its promised functions; all introspection
// handles in a process share one identifier.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"
#include "std_msgs/msg/detail/header__rosidl_typesupport_introspection_cpp.hpp"
#include "introspection.hpp"

namespace
{
namespace detail = orvane_h26x_msgs::msg::detail;
using FieldLines = std::vector<std::pair<std::string, std::string>>;  // (type, name)

FieldLines read_msg_file(const std::string & type)
{
  std::ifstream file(std::string(PACKAGE_SOURCE_DIR) + "/msg/" + type + ".msg");
  EXPECT_TRUE(file.good()) << type;
  FieldLines fields;
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream words(line);
    std::string field_type, name, rest;
    words >> field_type >> name >> rest;
    EXPECT_TRUE(rest.empty()) << line;
    fields.emplace_back(field_type, name);
  }
  return fields;
}

template<class Class>
FieldLines field_list_lines()
{
  FieldLines fields;
  Class message;
  detail::FieldList<Class>::visit(
    message, [&](const auto & member, auto field) {
      using Member = std::decay_t<decltype(member)>;
      std::string text;
      switch (decltype(field)::kind) {
        case detail::FieldKind::UINT8: text = "uint8"; break;
        case detail::FieldKind::UINT32: text = "uint32"; break;
        case detail::FieldKind::UINT64: text = "uint64"; break;
        case detail::FieldKind::STRING: text = "string"; break;
        case detail::FieldKind::UINT8_SEQUENCE: text = "uint8[]"; break;
        case detail::FieldKind::STRING_SEQUENCE: text = "string[]"; break;
        case detail::FieldKind::HEADER: text = "std_msgs/Header"; break;
        case detail::FieldKind::HEADER_SEQUENCE: text = "std_msgs/Header[]"; break;
        case detail::FieldKind::MESSAGE_SEQUENCE: break;
      }
      if constexpr (decltype(field)::kind == detail::FieldKind::MESSAGE_SEQUENCE) {
        text = std::string(detail::FieldList<typename Member::value_type>::name) + "[]";
      }
      fields.emplace_back(text, field.name);
      return true;
    });
  return fields;
}

template<class Class>
void expect_definition_matches(const char * type)
{
  const FieldLines from_file = read_msg_file(type);
  EXPECT_EQ(from_file, field_list_lines<Class>()) << type;

  const auto * members = static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Class>()->data);
  ASSERT_EQ(members->member_count_, from_file.size()) << type;
  for (std::size_t i = 0; i < from_file.size(); ++i) {
    EXPECT_EQ(from_file[i].second, members->members_[i].name_) << type;
  }
}

TEST(Definitions, MsgFilesMatchTheFieldListsAndTables)
{
  expect_definition_matches<orvane_h26x_msgs::msg::Image>("Image");
  expect_definition_matches<orvane_h26x_msgs::msg::Compressed>("Compressed");
  expect_definition_matches<orvane_h26x_msgs::msg::DualCompressedImage>("DualCompressedImage");
  expect_definition_matches<orvane_h26x_msgs::msg::OriginalImage>("OriginalImage");
  expect_definition_matches<orvane_h26x_msgs::msg::MultiImage>("MultiImage");
  expect_definition_matches<orvane_h26x_msgs::msg::MultiCompressed>("MultiCompressed");
}

// ---- exported symbols ----

const std::vector<std::string> kTypes = {
  "Image", "Compressed", "DualCompressedImage", "OriginalImage", "MultiImage", "MultiCompressed"};

// The fourteen sequence members that have accessors.
const std::vector<std::pair<std::string, std::string>> kSequenceFields = {
  {"Image", "data"}, {"Compressed", "images"}, {"DualCompressedImage", "origin"},
  {"DualCompressedImage", "data1"}, {"DualCompressedImage", "data2"}, {"OriginalImage", "topic_name"},
  {"OriginalImage", "is_valid"}, {"OriginalImage", "data"}, {"MultiImage", "header"},
  {"MultiImage", "topic_name"}, {"MultiImage", "is_vaild"}, {"MultiImage", "data"},
  {"MultiCompressed", "h26x_images"}, {"MultiCompressed", "original_images"}};

struct Symbol
{
  char kind;
  std::string name;
};

std::vector<Symbol> dynamic_symbols(const std::string & library, bool demangle)
{
  const std::string command = std::string("nm -D --defined-only ") + (demangle ? "-C " : "") + library;
  FILE * pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  std::vector<Symbol> symbols;
  char line[4096];
  while (pipe && std::fgets(line, sizeof(line), pipe)) {
    std::string text(line);
    text.erase(text.find_last_not_of('\n') + 1);
    // "<address> <kind> <name>"
    const std::size_t first = text.find(' ');
    symbols.push_back({text[first + 1], text.substr(first + 3)});
  }
  if (pipe) {
    EXPECT_EQ(pclose(pipe), 0) << command;
  }
  return symbols;
}

void expect_exports(const std::string & library, bool demangle, const std::set<std::string> & expected)
{
  std::set<std::string> exported;
  for (const Symbol & symbol : dynamic_symbols(library, demangle)) {
    EXPECT_EQ(symbol.kind, 'T') << "not a function: " << symbol.name;
    exported.insert(symbol.name);
  }
  for (const std::string & name : expected) {
    EXPECT_TRUE(exported.count(name)) << "missing: " << name;
  }
  for (const std::string & name : exported) {
    EXPECT_TRUE(expected.count(name)) << "unexpected: " << name;
  }
  EXPECT_EQ(exported.size(), expected.size());
}

std::string class_name(const std::string & type)
{
  return "orvane_h26x_msgs::msg::" + type + "_<std::allocator<void> >";
}

TEST(Exports, PlainLibraryExportsTheSeventyTwoFunctions)
{
  std::set<std::string> expected;
  for (const std::string & type : kTypes) {
    for (const char * operation : {"init", "fini", "are_equal", "copy", "create", "destroy"}) {
      expected.insert("orvane_h26x_msgs__msg__" + type + "__" + operation);
      expected.insert("orvane_h26x_msgs__msg__" + type + "__Sequence__" + operation);
    }
  }
  ASSERT_EQ(expected.size(), 72u);
  expect_exports(LIB_GENERATOR_C, false, expected);
}

TEST(Exports, PlainCdrLibraryExportsSizesAndGetters)
{
  std::set<std::string> expected;
  for (const std::string & type : kTypes) {
    expected.insert("get_serialized_size_orvane_h26x_msgs__msg__" + type);
    expected.insert("max_serialized_size_orvane_h26x_msgs__msg__" + type);
    expected.insert("rosidl_typesupport_fastrtps_c__get_message_type_support_handle__orvane_h26x_msgs__msg__" + type);
  }
  expect_exports(LIB_FASTRTPS_C, false, expected);
}

TEST(Exports, IntrospectionLibraryExportsTheHundredAndEightFunctions)
{
  const std::string ns = "orvane_h26x_msgs::msg::rosidl_typesupport_introspection_cpp::";
  std::set<std::string> expected;
  for (const auto & [type, field] : kSequenceFields) {
    const std::string suffix = "__" + type + "__" + field;
    expected.insert(ns + "size_function" + suffix + "(void const*)");
    expected.insert(ns + "get_const_function" + suffix + "(void const*, unsigned long)");
    expected.insert(ns + "get_function" + suffix + "(void*, unsigned long)");
    expected.insert(ns + "fetch_function" + suffix + "(void const*, unsigned long, void*)");
    expected.insert(ns + "assign_function" + suffix + "(void*, unsigned long, void const*)");
    expected.insert(ns + "resize_function" + suffix + "(void*, unsigned long)");
  }
  for (const std::string & type : kTypes) {
    expected.insert(ns + type + "_init_function(void*, rosidl_runtime_cpp::MessageInitialization)");
    expected.insert(ns + type + "_fini_function(void*)");
    expected.insert(
      "rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__" + type);
    expected.insert(
      "rosidl_message_type_support_t const* rosidl_typesupport_introspection_cpp::get_message_type_support_handle<" +
      class_name(type) + " >()");
  }
  ASSERT_EQ(expected.size(), 108u);
  expect_exports(LIB_INTROSPECTION_CPP, true, expected);
}

TEST(Exports, ClassCdrLibraryExportsItsThirtySixFunctions)
{
  const std::string ns = "orvane_h26x_msgs::msg::typesupport_fastrtps_cpp::";
  std::set<std::string> expected;
  for (const std::string & type : kTypes) {
    const std::string cls = class_name(type);
    expected.insert(ns + "cdr_serialize(" + cls + " const&, eprosima::fastcdr::Cdr&)");
    expected.insert(ns + "cdr_deserialize(eprosima::fastcdr::Cdr&, " + cls + "&)");
    expected.insert(ns + "get_serialized_size(" + cls + " const&, unsigned long)");
    expected.insert(ns + "max_serialized_size_" + type + "(bool&, bool&, unsigned long)");
    expected.insert(
      "rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__" + type);
    expected.insert(
      "rosidl_message_type_support_t const* rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<" +
      cls + " >()");
  }
  ASSERT_EQ(expected.size(), 36u);
  expect_exports(LIB_FASTRTPS_CPP, true, expected);
}

// ---- one introspection identifier per process ----

TEST(IntrospectionRuntime, EveryLibrarySharesTheRuntimesIdentifier)
{
  const char * runtime_identifier = rosidl_typesupport_introspection_cpp::typesupport_identifier;
  ASSERT_STREQ(runtime_identifier, "rosidl_typesupport_introspection_cpp");

  // No private copy of the runtime archive: the library leaves the identifier
  // to the shared runtime, which it needs.
  const std::string mangled = "_ZN36rosidl_typesupport_introspection_cpp22typesupport_identifierE";
  FILE * pipe = popen(("nm -D " + std::string(LIB_INTROSPECTION_CPP) + " | grep " + mangled).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[512] = {0};
  ASSERT_NE(std::fgets(line, sizeof(line), pipe), nullptr);
  pclose(pipe);
  EXPECT_NE(std::string(line).find(" U " + mangled), std::string::npos) << line;
  pipe = popen(("readelf -d " + std::string(LIB_INTROSPECTION_CPP)).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string needed;
  while (std::fgets(line, sizeof(line), pipe)) {
    needed += line;
  }
  pclose(pipe);
  EXPECT_NE(needed.find("[librosidl_typesupport_introspection_cpp.so"), std::string::npos) << needed;

  const rosidl_message_type_support_t * header =
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<std_msgs::msg::Header>();
  EXPECT_EQ(header->typesupport_identifier, runtime_identifier);
  for (const rosidl_message_type_support_t * handle : {
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__Image(),
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__Compressed(),
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__DualCompressedImage(),
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__OriginalImage(),
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__MultiImage(),
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__MultiCompressed()})
  {
    EXPECT_EQ(handle->typesupport_identifier, runtime_identifier);
  }
}

}  // namespace
