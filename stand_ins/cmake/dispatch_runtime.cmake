# Builds, installs and exports a dispatch runtime stand-in (rosidl_typesupport_c
# or rosidl_typesupport_cpp): its headers and one shared library named as the
# package, with the identifier and the dispatch function. DEPENDS lists
# packages whose targets the library links publicly.
set(STAND_IN_SUPPORT_DIR "${CMAKE_CURRENT_LIST_DIR}/../support")

macro(stand_in_dispatch_runtime)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  find_package(ament_cmake REQUIRED)
  find_package(rcpputils REQUIRED)
  find_package(rosidl_runtime_c REQUIRED)
  foreach(dep ${ARG_DEPENDS})
    find_package(${dep} REQUIRED)
  endforeach()

  add_library(${PROJECT_NAME} SHARED src/dispatch.cpp)
  target_compile_features(${PROJECT_NAME} PUBLIC cxx_std_17)
  target_compile_options(${PROJECT_NAME} PRIVATE -Wall -Wextra)
  set_target_properties(${PROJECT_NAME} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${PROJECT_NAME} PRIVATE "${STAND_IN_SUPPORT_DIR}")
  target_include_directories(${PROJECT_NAME} PUBLIC
    "$<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>"
    "$<INSTALL_INTERFACE:include/${PROJECT_NAME}>")
  target_link_libraries(${PROJECT_NAME} PUBLIC rosidl_runtime_c::rosidl_runtime_c)
  target_link_libraries(${PROJECT_NAME} PRIVATE rcpputils::rcpputils)
  foreach(dep ${ARG_DEPENDS})
    target_link_libraries(${PROJECT_NAME} PUBLIC ${dep}::${dep})
  endforeach()

  install(DIRECTORY include/ DESTINATION include/${PROJECT_NAME})
  install(TARGETS ${PROJECT_NAME} EXPORT export_${PROJECT_NAME} LIBRARY DESTINATION lib)
  ament_export_targets(export_${PROJECT_NAME})
  ament_export_dependencies(rosidl_runtime_c rcpputils ${ARG_DEPENDS})
  ament_package()
endmacro()
