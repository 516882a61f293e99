#include "bag/message_definitions.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace bag
{
const std::map<std::string, std::string> & builtin_definitions();

namespace
{
// "package/msg/Type" -> {package, Type}; a "package/Type" reference too.
std::pair<std::string, std::string> split_type(const std::string & type)
{
  const std::size_t first = type.find('/');
  const std::size_t last = type.rfind('/');
  if (first == std::string::npos) {
    return {"", type};
  }
  return {type.substr(0, first), type.substr(last + 1)};
}

std::optional<std::string> definition_of(const std::string & package, const std::string & name)
{
  const char * prefixes = std::getenv("AMENT_PREFIX_PATH");
  std::stringstream paths(prefixes ? prefixes : "");
  for (std::string prefix; std::getline(paths, prefix, ':'); ) {
    std::ifstream file(prefix + "/share/" + package + "/msg/" + name + ".msg");
    if (file) {
      return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
  }
  const auto found = builtin_definitions().find(package + "/msg/" + name);
  return found == builtin_definitions().end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool is_primitive(const std::string & type)
{
  static const std::set<std::string> primitives = {
    "bool", "byte", "char", "float32", "float64", "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64",
    "uint64", "string", "wstring"};
  return primitives.count(type) > 0;
}

// The message types a definition's fields name, as "package/Type", in order.
std::vector<std::string> field_types(const std::string & package, const std::string & text)
{
  std::vector<std::string> types;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line); ) {
    line = line.substr(0, line.find('#'));
    std::stringstream words(line);
    std::string type, name;
    if (!(words >> type >> name) || name.find('=') != std::string::npos) {
      continue;  // blank, or a constant
    }
    type = type.substr(0, type.find('['));
    type = type.substr(0, type.find("<="));
    if (is_primitive(type)) {
      continue;
    }
    const auto [owner, base] = split_type(type);
    types.push_back((owner.empty() ? package : owner) + "/" + base);
  }
  return types;
}
}  // namespace

std::optional<std::string> ros2msg_schema(const std::string & type)
{
  const auto [package, name] = split_type(type);
  const std::optional<std::string> top = definition_of(package, name);
  if (!top) {
    return std::nullopt;
  }
  std::string schema = *top;
  // Depth first, each type once, in the order the fields name them.
  std::set<std::string> done = {package + "/" + name};
  std::vector<std::pair<std::string, std::string>> pending;  // package, text
  pending.emplace_back(package, *top);
  while (!pending.empty()) {
    const auto [owner, text] = pending.back();
    pending.pop_back();
    const std::vector<std::string> used = field_types(owner, text);
    for (auto it = used.rbegin(); it != used.rend(); ++it) {
      if (done.count(*it)) {
        continue;
      }
      const auto [dependency_package, dependency_name] = split_type(*it);
      const std::optional<std::string> dependency = definition_of(dependency_package, dependency_name);
      if (!dependency) {
        return std::nullopt;
      }
      done.insert(*it);
      pending.emplace_back(dependency_package, *dependency);
      if (!schema.empty() && schema.back() != '\n') {
        schema += '\n';
      }
      schema += std::string(80, '=') + "\nMSG: " + *it + "\n" + *dependency;
    }
  }
  return schema;
}

std::string dds_type_name(const std::string & type)
{
  const auto [package, name] = split_type(type);
  return package + "::msg::dds_::" + name + "_";
}

std::string ros_type_name(const std::string & dds_type)
{
  const std::size_t marker = dds_type.find("::msg::dds_::");
  if (marker == std::string::npos || dds_type.size() < marker + 14 || dds_type.back() != '_') {
    return "";
  }
  const std::string name = dds_type.substr(marker + 13, dds_type.size() - marker - 14);
  return dds_type.substr(0, marker) + "/msg/" + name;
}

}  // namespace bag
