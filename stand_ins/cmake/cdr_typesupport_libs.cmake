# Builds, installs and exports the hand-written Fast-CDR type-support libraries
# of a stand-in message package, named as ROS 2 names them:
# lib<pkg>__rosidl_typesupport_fastrtps_c and lib<pkg>__rosidl_typesupport_fastrtps_cpp.
# Call after rosidl_generate_interfaces(); DEPENDS lists message packages whose
# type supports these link to.
set(STAND_IN_SUPPORT_DIR "${CMAKE_CURRENT_LIST_DIR}/../support")

# A macro, so that ament_export_targets() records into the package scope.
macro(stand_in_cdr_typesupports)
  cmake_parse_arguments(ARG "" "C_SOURCE;CPP_SOURCE" "DEPENDS" ${ARGN})
  set(pkg ${PROJECT_NAME})
  foreach(kind c cpp)
    set(target ${pkg}__rosidl_typesupport_fastrtps_${kind})
    if(kind STREQUAL "c")
      add_library(${target} SHARED ${ARG_C_SOURCE})
      target_link_libraries(${target} PUBLIC ${pkg}__rosidl_generator_c
        rosidl_typesupport_fastrtps_c::rosidl_typesupport_fastrtps_c)
    else()
      add_library(${target} SHARED ${ARG_CPP_SOURCE})
      target_link_libraries(${target} PUBLIC ${pkg}__rosidl_generator_cpp
        rosidl_typesupport_fastrtps_cpp::rosidl_typesupport_fastrtps_cpp)
    endif()
    foreach(dep ${ARG_DEPENDS})
      target_link_libraries(${target} PUBLIC ${dep}::${dep}__rosidl_typesupport_fastrtps_${kind})
    endforeach()
    target_compile_features(${target} PUBLIC cxx_std_17)
    target_include_directories(${target} PRIVATE "${STAND_IN_SUPPORT_DIR}")
    target_include_directories(${target} PUBLIC
      "$<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>"
      "$<INSTALL_INTERFACE:include/${pkg}>")
    install(TARGETS ${target} EXPORT export_${target} LIBRARY DESTINATION lib)
    ament_export_targets(export_${target})
  endforeach()
  install(DIRECTORY include/ DESTINATION include/${pkg})
endmacro()
