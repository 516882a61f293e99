#ifndef STAND_IN_TYPE_SUPPORT_DISPATCH_HPP_
#define STAND_IN_TYPE_SUPPORT_DISPATCH_HPP_

// The lookup behind both dispatch runtimes' handle functions. A dispatch
// handle's `data` is a type_support_map_t; the concrete type support named by
// an identifier lives in lib<package>__<identifier>.so and is reached through
// the getter the map names. Libraries are loaded on first use and stay loaded
// (the map's `data` entry keeps them), as handles taken from them may be held
// for the life of the process.

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "rcpputils/find_library.hpp"
#include "rcpputils/shared_library.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_c/type_support_map.h"

namespace stand_in
{
namespace
{

void report(const char * runtime, const std::string & what)
{
  std::fprintf(stderr, "%s: %s\n", runtime, what.c_str());
}

// Entry `index` of `map`: its library loaded (or taken from the cache) and
// its getter called. The caller holds the load lock.
const rosidl_message_type_support_t * load_entry(
  const type_support_map_t & map, std::size_t index, const char * runtime)
{
  auto * library = static_cast<rcpputils::SharedLibrary *>(map.data[index]);
  if (!library) {
    const std::string name = std::string(map.package_name) + "__" + map.typesupport_identifier[index];
    // The library path first, as ROS 2 does; then the dynamic loader's own
    // search, for packages installed into the system's library directories.
    std::string path = rcpputils::find_library_path(name);
    if (path.empty()) {
      path = rcpputils::filename_for_library(name);
    }
    try {
      library = new rcpputils::SharedLibrary(path);
    } catch (const std::exception &) {
      report(runtime, "library " + rcpputils::filename_for_library(name) + " not found on the library path");
      return nullptr;
    }
    map.data[index] = library;
  }
  const char * symbol = map.symbol_name[index];
  if (!library->has_symbol(symbol)) {
    report(runtime, std::string("symbol ") + symbol + " not found in " + library->get_library_path());
    return nullptr;
  }
  using Getter = const rosidl_message_type_support_t * (*)();
  return reinterpret_cast<Getter>(library->get_symbol(symbol))();
}

}  // namespace

// `own` is the runtime's identifier: a handle of this runtime answers to it
// with itself, and any other handle is refused.
inline const rosidl_message_type_support_t * dispatch(
  const rosidl_message_type_support_t * handle, const char * identifier, const char * own)
{
  if (!handle || !identifier) {
    report(own, "no handle or no identifier given");
    return nullptr;
  }
  if (!handle->typesupport_identifier || std::strcmp(handle->typesupport_identifier, own) != 0) {
    report(own, std::string("the handle is not a ") + own + " handle");
    return nullptr;
  }
  if (std::strcmp(identifier, own) == 0) {
    return handle;
  }
  const auto & map = *static_cast<const type_support_map_t *>(handle->data);
  for (std::size_t index = 0; index < map.size; ++index) {
    if (std::strcmp(map.typesupport_identifier[index], identifier) == 0) {
      // One lock for every map of the runtime: first loads are rare, and two
      // threads asking at once must load and cache a library only once.
      static std::mutex load_mutex;
      std::lock_guard<std::mutex> lock(load_mutex);
      return load_entry(map, index, own);
    }
  }
  // An identifier the package lacks is an answer, not an error: the
  // middleware asks for the plain records' type support first and falls back
  // to the classes' (as the ROS 2 runtimes do, silently).
  return nullptr;
}

}  // namespace stand_in

#endif  // STAND_IN_TYPE_SUPPORT_DISPATCH_HPP_
