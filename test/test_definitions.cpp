// The msg/ definitions, the field lists and the introspection tables (class
// and plain) agree; each library exports exactly its promised functions; all
// introspection handles in a process share their runtime's identifier.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "rosidl_typesupport_introspection_c/identifier.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"
#include "std_msgs/msg/detail/header__rosidl_typesupport_introspection_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_introspection_cpp.hpp"
#include "introspection.hpp"
#include "introspection_c.hpp"

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
        case detail::FieldKind::TIME: text = "builtin_interfaces/Time"; break;
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

template<class Members>
void expect_table_names(const rosidl_message_type_support_t * handle, const FieldLines & from_file, const char * type)
{
  const auto * members = static_cast<const Members *>(handle->data);
  ASSERT_EQ(members->member_count_, from_file.size()) << type;
  for (std::size_t i = 0; i < from_file.size(); ++i) {
    EXPECT_EQ(from_file[i].second, members->members_[i].name_) << type;
  }
}

template<class Class>
void expect_definition_matches(const char * type, const rosidl_message_type_support_t * plain_table)
{
  const FieldLines from_file = read_msg_file(type);
  EXPECT_EQ(from_file, field_list_lines<Class>()) << type;
  expect_table_names<rosidl_typesupport_introspection_cpp::MessageMembers>(
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Class>(), from_file, type);
  expect_table_names<rosidl_typesupport_introspection_c__MessageMembers>(plain_table, from_file, type);
}

TEST(Definitions, MsgFilesMatchTheFieldListsAndTables)
{
#define ORVANE_TEST_DEFINITION(Msg) \
  expect_definition_matches<orvane_h26x_msgs::msg::Msg>( \
    #Msg, rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg());
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_DEFINITION)
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

// The plain introspection, C dispatch and C++ dispatch libraries: getters only.
std::set<std::string> getters(const std::string & kind)
{
  std::set<std::string> names;
  for (const std::string & type : kTypes) {
    names.insert("rosidl_typesupport_" + kind + "__get_message_type_support_handle__orvane_h26x_msgs__msg__" + type);
  }
  return names;
}

TEST(Exports, PlainIntrospectionAndDispatchLibrariesExportTheirGetters)
{
  expect_exports(LIB_INTROSPECTION_C, false, getters("introspection_c"));
  expect_exports(LIB_TYPESUPPORT_C, false, getters("c"));
  std::set<std::string> expected = getters("cpp");
  for (const std::string & type : kTypes) {
    expected.insert(
      "rosidl_message_type_support_t const* rosidl_typesupport_cpp::get_message_type_support_handle<" +
      class_name(type) + " >()");
  }
  ASSERT_EQ(expected.size(), 12u);
  expect_exports(LIB_TYPESUPPORT_CPP, true, expected);
}

#ifdef PYTHON_EXTENSION
TEST(Exports, PythonExtensionExportsItsInitFunctionOnly)
{
  expect_exports(PYTHON_EXTENSION, false, {"PyInit_orvane_h26x_msgs_s__rosidl_typesupport_c"});
}

// What a nesting package's generated Python code calls, named as it names them.
TEST(Exports, PythonConversionLibraryExportsTwelveConversions)
{
  std::set<std::string> expected;
  for (const char * name :
    {"image", "compressed", "dual_compressed_image", "original_image", "multi_image", "multi_compressed"})
  {
    expected.insert(std::string("orvane_h26x_msgs__msg__") + name + "__convert_from_py");
    expected.insert(std::string("orvane_h26x_msgs__msg__") + name + "__convert_to_py");
  }
  expect_exports(LIB_GENERATOR_PY, false, expected);
}
#endif

// ---- one introspection identifier per process ----

std::string command_output(const std::string & command)
{
  FILE * pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr) << command;
  std::string output;
  char line[512];
  while (pipe && std::fgets(line, sizeof(line), pipe)) {
    output += line;
  }
  if (pipe) {
    pclose(pipe);
  }
  return output;
}

// No private copy of a runtime archive: `library` leaves the identifier
// `symbol` to the shared runtime `runtime`, which it needs.
void expect_identifier_from_shared_runtime(const char * library, const std::string & symbol, const char * runtime)
{
  EXPECT_NE(command_output("nm -D " + std::string(library)).find(" U " + symbol + "\n"), std::string::npos)
    << library;
  EXPECT_NE(command_output("readelf -d " + std::string(library)).find(std::string("[") + runtime + "]"),
    std::string::npos) << library;
}

TEST(IntrospectionRuntimes, EveryLibrarySharesTheRuntimesIdentifier)
{
  const char * cpp_identifier = rosidl_typesupport_introspection_cpp::typesupport_identifier;
  ASSERT_STREQ(cpp_identifier, "rosidl_typesupport_introspection_cpp");
  expect_identifier_from_shared_runtime(
    LIB_INTROSPECTION_CPP, "_ZN36rosidl_typesupport_introspection_cpp22typesupport_identifierE",
    "librosidl_typesupport_introspection_cpp.so");
  const char * c_identifier = rosidl_typesupport_introspection_c__identifier;
  ASSERT_STREQ(c_identifier, "rosidl_typesupport_introspection_c");
  expect_identifier_from_shared_runtime(
    LIB_INTROSPECTION_C, "rosidl_typesupport_introspection_c__identifier", "librosidl_typesupport_introspection_c.so");

  EXPECT_EQ(
    rosidl_typesupport_introspection_cpp::get_message_type_support_handle<std_msgs::msg::Header>()
    ->typesupport_identifier, cpp_identifier);
  EXPECT_EQ(
    rosidl_typesupport_introspection_c__get_message_type_support_handle__std_msgs__msg__Header()
    ->typesupport_identifier, c_identifier);
#define ORVANE_TEST_IDENTIFIERS(Msg) \
  EXPECT_EQ( \
    rosidl_typesupport_introspection_cpp__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
    ->typesupport_identifier, cpp_identifier); \
  EXPECT_EQ( \
    rosidl_typesupport_introspection_c__get_message_type_support_handle__orvane_h26x_msgs__msg__ ## Msg() \
    ->typesupport_identifier, c_identifier);
  ORVANE_H26X_MSGS__FOR_EACH_MESSAGE(ORVANE_TEST_IDENTIFIERS)
}

}  // namespace
