# For the run.cmake scripts of the projects built against this package's
# install tree (INSTALLED): the paths set as `. install/setup.sh` sets them
# (the project's own build folder on the library and Python paths too), then
# a clean configure and build of SOURCE_DIR in BINARY_DIR. `what` names the
# project in failures.
function(build_against_installed what)
  file(REMOVE_RECURSE "${BINARY_DIR}")
  set(ENV{CMAKE_PREFIX_PATH} "${INSTALLED}:$ENV{CMAKE_PREFIX_PATH}")
  set(ENV{AMENT_PREFIX_PATH} "${INSTALLED}:$ENV{AMENT_PREFIX_PATH}")
  set(ENV{LD_LIBRARY_PATH} "${INSTALLED}/lib:${BINARY_DIR}:$ENV{LD_LIBRARY_PATH}")
  file(GLOB python_dirs "${INSTALLED}/lib/python3*/*-packages")
  set(ENV{PYTHONPATH} "${python_dirs}:${BINARY_DIR}:$ENV{PYTHONPATH}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -DPython3_EXECUTABLE=/usr/bin/python3
    RESULT_VARIABLE result)
  if(result)
    message(FATAL_ERROR "${what} does not configure")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" RESULT_VARIABLE result)
  if(result)
    message(FATAL_ERROR "${what} does not build")
  endif()
endfunction()
