# Debian ships the introspection runtimes (rosidl_typesupport_introspection_c
# and _cpp) as static archives. Linked into every type-support library, each
# would carry a private copy of the identifier variable that middleware and the
# dispatch runtimes compare. A stand-in of the same ROS 2 package name builds
# one shared library from the archive; its package config loads Debian's
# config and points Debian's imported target at that library, so that
# find_package(<name>) gives what a ROS 2 installation gives.
#
# Call from the stand-in's CMakeLists.txt after project(<name> ...); it ends
# with ament_package().
set(STAND_IN_CMAKE_DIR "${CMAKE_CURRENT_LIST_DIR}")

macro(stand_in_shared_runtime)
  set(name ${PROJECT_NAME})
  find_package(ament_cmake REQUIRED)
  # Debian's package only, never an earlier install of this stand-in.
  set(upstream_prefixes ${CMAKE_SYSTEM_PREFIX_PATH})
  list(REMOVE_ITEM upstream_prefixes "${CMAKE_INSTALL_PREFIX}")
  find_package(${name} REQUIRED CONFIG NO_DEFAULT_PATH PATHS ${upstream_prefixes})
  set(UPSTREAM_DIR "${${name}_DIR}")
  get_target_property(archive ${name}::${name} IMPORTED_LOCATION_NONE)

  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/anchor.c" "/* the whole archive is the content */\n")
  add_library(${name} SHARED "${CMAKE_CURRENT_BINARY_DIR}/anchor.c")
  target_link_libraries(${name} PRIVATE "-Wl,--whole-archive" "${archive}" "-Wl,--no-whole-archive")
  install(TARGETS ${name} LIBRARY DESTINATION lib)

  set(NAME ${name})
  configure_file("${STAND_IN_CMAKE_DIR}/shared_runtime-extras.cmake.in"
    "${CMAKE_CURRENT_BINARY_DIR}/${name}-stand-in-extras.cmake" @ONLY)
  # rosidl_generate_interfaces() includes the generator step from the
  # package's own config directory.
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/${name}_generate_interfaces.cmake"
    "include(\"${UPSTREAM_DIR}/${name}_generate_interfaces.cmake\")\n")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${name}_generate_interfaces.cmake"
    DESTINATION share/${name}/cmake)
  ament_package(CONFIG_EXTRAS "${CMAKE_CURRENT_BINARY_DIR}/${name}-stand-in-extras.cmake")
endmacro()
