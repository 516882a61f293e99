# Configures, builds and runs the downstream project against the package
# installed at INSTALLED, with the dependencies CMAKE_PREFIX_PATH provides.
set(library_path_without_package "$ENV{LD_LIBRARY_PATH}")
include("${CMAKE_CURRENT_LIST_DIR}/../support/installed_project.cmake")
build_against_installed("the downstream project")
foreach(program plain_user class_user rclcpp_style_user rclc_style_user)
  execute_process(COMMAND "${BINARY_DIR}/${program}" RESULT_VARIABLE result)
  if(result)
    message(FATAL_ERROR "${program} failed")
  endif()
endforeach()

# The installed Python package, as `. install/setup.sh` exposes it: the
# classes, the field table and the extension module with its capsules.
execute_process(
  COMMAND /usr/bin/python3 -c
    "from orvane_h26x_msgs.msg import MultiCompressed; m = MultiCompressed(); print(m); type(m).__import_type_support__(); assert type(m)._TYPE_SUPPORT is not None"
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the installed Python messages do not load")
endif()

# Without the package's libraries on the library path the lookups give null,
# with a line naming the missing library, and nothing crashes.
set(ENV{LD_LIBRARY_PATH} "${library_path_without_package}")
execute_process(COMMAND "${BINARY_DIR}/rclcpp_style_user" --missing
  RESULT_VARIABLE result ERROR_VARIABLE errors)
message("${errors}")
if(result)
  message(FATAL_ERROR "rclcpp_style_user --missing failed")
endif()
if(NOT errors MATCHES "liborvane_h26x_msgs__rosidl_typesupport_fastrtps_cpp\\.so not found on the library path")
  message(FATAL_ERROR "no line names the missing library")
endif()
