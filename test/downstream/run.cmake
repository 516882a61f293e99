# Configures, builds and runs the downstream project against the package
# installed at INSTALLED, with the dependencies CMAKE_PREFIX_PATH provides.
file(REMOVE_RECURSE "${BINARY_DIR}")
set(ENV{CMAKE_PREFIX_PATH} "${INSTALLED}:$ENV{CMAKE_PREFIX_PATH}")
set(ENV{AMENT_PREFIX_PATH} "${INSTALLED}:$ENV{AMENT_PREFIX_PATH}")
set(ENV{LD_LIBRARY_PATH} "${INSTALLED}/lib:$ENV{LD_LIBRARY_PATH}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -DPython3_EXECUTABLE=/usr/bin/python3
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "downstream configure failed")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "downstream build failed")
endif()
foreach(program plain_user class_user)
  execute_process(COMMAND "${BINARY_DIR}/${program}" RESULT_VARIABLE result)
  if(result)
    message(FATAL_ERROR "${program} failed")
  endif()
endforeach()
