# Configures and builds the nesting interface package against the package
# installed at INSTALLED, then runs its C / C++ program (under valgrind
# memcheck when there is one) and its Python extension's test.
file(REMOVE_RECURSE "${BINARY_DIR}")
set(ENV{CMAKE_PREFIX_PATH} "${INSTALLED}:$ENV{CMAKE_PREFIX_PATH}")
set(ENV{AMENT_PREFIX_PATH} "${INSTALLED}:$ENV{AMENT_PREFIX_PATH}")
set(ENV{LD_LIBRARY_PATH} "${INSTALLED}/lib:${BINARY_DIR}:$ENV{LD_LIBRARY_PATH}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -DPython3_EXECUTABLE=/usr/bin/python3
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the nesting package does not configure")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the nesting package does not build")
endif()

find_program(VALGRIND valgrind)
set(checker "")
if(VALGRIND)
  set(checker "${VALGRIND}" --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect)
endif()
execute_process(COMMAND ${checker} "${BINARY_DIR}/nesting_user" RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "nesting_user failed (${result})")
endif()

file(GLOB python_dirs "${INSTALLED}/lib/python3*/*-packages")
set(ENV{PYTHONPATH} "${python_dirs}:${BINARY_DIR}:$ENV{PYTHONPATH}")
execute_process(COMMAND /usr/bin/python3 -m unittest -v test_nesting
  WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the nesting package's Python extension failed")
endif()
