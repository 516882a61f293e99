# The Python side of a stand-in message package, as rclpy uses it: the
# package folder python/<pkg>, its extension module
# <pkg>_s__rosidl_typesupport_c (MODULE_SOURCE) and
# lib<pkg>__rosidl_typesupport_c with the C dispatch handles (DISPATCH_SOURCE).
# Call after rosidl_generate_interfaces().
set(STAND_IN_PYTHON_SUPPORT_DIR "${CMAKE_CURRENT_LIST_DIR}/../support")

macro(stand_in_python)
  cmake_parse_arguments(ARG "" "MODULE_SOURCE;DISPATCH_SOURCE" "" ${ARGN})
  find_package(ament_cmake_python REQUIRED)
  find_package(rosidl_typesupport_c REQUIRED)
  find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module)
  set(pkg ${PROJECT_NAME})

  add_library(${pkg}__rosidl_typesupport_c SHARED ${ARG_DISPATCH_SOURCE})
  target_link_libraries(${pkg}__rosidl_typesupport_c PUBLIC
    rosidl_typesupport_c::rosidl_typesupport_c rosidl_runtime_c::rosidl_runtime_c)
  target_include_directories(${pkg}__rosidl_typesupport_c PRIVATE "${STAND_IN_PYTHON_SUPPORT_DIR}")
  set_target_properties(${pkg}__rosidl_typesupport_c PROPERTIES CXX_VISIBILITY_PRESET hidden)
  install(TARGETS ${pkg}__rosidl_typesupport_c EXPORT export_${pkg}__rosidl_typesupport_c LIBRARY DESTINATION lib)
  ament_export_targets(export_${pkg}__rosidl_typesupport_c)

  Python3_add_library(${pkg}_s__rosidl_typesupport_c MODULE WITH_SOABI ${ARG_MODULE_SOURCE})
  target_link_libraries(${pkg}_s__rosidl_typesupport_c PRIVATE
    ${pkg}__rosidl_generator_c ${pkg}__rosidl_typesupport_c rosidl_runtime_c::rosidl_runtime_c)
  target_include_directories(${pkg}_s__rosidl_typesupport_c PRIVATE "${STAND_IN_PYTHON_SUPPORT_DIR}")
  set_target_properties(${pkg}_s__rosidl_typesupport_c PROPERTIES CXX_VISIBILITY_PRESET hidden)

  ament_python_install_package(${pkg} PACKAGE_DIR "${CMAKE_CURRENT_SOURCE_DIR}/python/${pkg}")
  install(TARGETS ${pkg}_s__rosidl_typesupport_c LIBRARY DESTINATION "${PYTHON_INSTALL_DIR}/${pkg}")
endmacro()
