# The package as a ROS 2 Humble user builds it: every dependency in one
# merged prefix, laid out as /opt/ros/humble is, and found only through
# CMAKE_PREFIX_PATH and AMENT_PREFIX_PATH. The prefix is made of the
# stand-ins' installs (STAND_INS: their colcon install base); no package in
# it, and no dependency named by the package, may carry a name that ROS 2
# Humble does not have.
cmake_minimum_required(VERSION 3.16)
# Humble's packages, and the rosdep keys of the system libraries it resolves.
set(humble_packages
  ament_cmake ament_cmake_python boost builtin_interfaces cyclonedds fastcdr fastrtps ffmpeg gtest libavcodec-dev
  libavformat-dev libavutil-dev liblz4-dev libswscale-dev libzstd-dev pkg-config python3 python3-dev rcpputils rcutils
  rosidl_adapter rosidl_cmake rosidl_default_runtime rosidl_generator_py rosidl_runtime_c rosidl_runtime_cpp rosidl_typesupport_c
  rosidl_typesupport_cpp rosidl_typesupport_fastrtps_c rosidl_typesupport_fastrtps_cpp
  rosidl_typesupport_interface rosidl_typesupport_introspection_c rosidl_typesupport_introspection_cpp
  sqlite3 std_msgs yaml-cpp zlib)
# CMake's own modules and Humble's vendor packages' CMake names.
set(cmake_only_names Boost CLI11 CycloneDDS GTest PkgConfig Python3 SQLite3 Threads ZLIB benchmark yaml-cpp)

set(prefix "${BINARY_DIR}/opt/ros/humble")
file(REMOVE_RECURSE "${BINARY_DIR}")
file(GLOB installs LIST_DIRECTORIES true "${STAND_INS}/*")
foreach(install ${installs})
  get_filename_component(name "${install}" NAME)
  if(IS_DIRECTORY "${install}" AND NOT name STREQUAL "orvane_h26x_msgs")
    file(COPY "${install}/" DESTINATION "${prefix}")
  endif()
endforeach()

set(problems "")
file(GLOB registered RELATIVE "${prefix}/share/ament_index/resource_index/packages"
  "${prefix}/share/ament_index/resource_index/packages/*")
if(NOT registered)
  string(APPEND problems "the prefix registers no package\n")
endif()
foreach(name ${registered})
  if(NOT name IN_LIST humble_packages)
    string(APPEND problems "the prefix has a package ROS 2 Humble does not have: ${name}\n")
  endif()
endforeach()

file(READ "${SOURCE_DIR}/package.xml" manifest)
string(REGEX MATCHALL "<[a-z_]*depend>[^<]+</" dependencies "${manifest}")
foreach(dependency ${dependencies})
  string(REGEX REPLACE "<[a-z_]*depend>([^<]+)</" "\\1" name "${dependency}")
  if(NOT name IN_LIST humble_packages)
    string(APPEND problems "package.xml names a package ROS 2 Humble does not have: ${name}\n")
  endif()
endforeach()
foreach(lists "${SOURCE_DIR}/CMakeLists.txt" "${SOURCE_DIR}/tools/CMakeLists.txt")
  file(READ "${lists}" text)
  string(REGEX MATCHALL "find_package\\([A-Za-z0-9_-]+" found "${text}")
  foreach(call ${found})
    string(REPLACE "find_package(" "" name "${call}")
    if(NOT name IN_LIST humble_packages AND NOT name IN_LIST cmake_only_names)
      string(APPEND problems "${lists} finds a package ROS 2 Humble does not have: ${name}\n")
    endif()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()

set(ENV{CMAKE_PREFIX_PATH} "${prefix}")
set(ENV{AMENT_PREFIX_PATH} "${prefix}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}/build" -DBUILD_TESTING=OFF
    -DPython3_EXECUTABLE=/usr/bin/python3
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result)
  message(FATAL_ERROR "configure in the Humble layout failed:\n${output}")
endif()
string(REGEX MATCHALL "Found [a-z_]+: [^\n]*" found_lines "${output}")
string(REPLACE ";" "\n" found_lines "${found_lines}")
message("configured in ${prefix}:\n${found_lines}")
