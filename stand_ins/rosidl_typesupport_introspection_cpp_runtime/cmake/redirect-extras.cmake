# Point Debian's imported introspection runtime target at the shared build, so
# that libraries generated or built after this find_package() link the one
# shared identifier instead of a private copy from the archive.
find_package(rosidl_typesupport_introspection_cpp REQUIRED)
set(_rtic_shared "${rosidl_typesupport_introspection_cpp_runtime_DIR}/../../../lib/librosidl_typesupport_introspection_cpp.so")
get_filename_component(_rtic_shared "${_rtic_shared}" REALPATH)
if(TARGET rosidl_typesupport_introspection_cpp::rosidl_typesupport_introspection_cpp AND EXISTS "${_rtic_shared}")
  set_target_properties(rosidl_typesupport_introspection_cpp::rosidl_typesupport_introspection_cpp PROPERTIES
    IMPORTED_LOCATION_NONE "${_rtic_shared}"
    IMPORTED_LOCATION "${_rtic_shared}")
  foreach(_cfg RELEASE DEBUG RELWITHDEBINFO MINSIZEREL)
    set_property(TARGET rosidl_typesupport_introspection_cpp::rosidl_typesupport_introspection_cpp
      PROPERTY IMPORTED_LOCATION_${_cfg} "${_rtic_shared}")
  endforeach()
endif()
