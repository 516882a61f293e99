# Configures and builds the nesting interface package against the package
# installed at INSTALLED, then runs its C / C++ program (under valgrind
# memcheck when there is one) and its Python extension's test.
include("${CMAKE_CURRENT_LIST_DIR}/../support/installed_project.cmake")
build_against_installed("the nesting package")

find_program(VALGRIND valgrind)
set(checker "")
if(VALGRIND)
  set(checker "${VALGRIND}" --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect)
endif()
execute_process(COMMAND ${checker} "${BINARY_DIR}/nesting_user" RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "nesting_user failed (${result})")
endif()

execute_process(COMMAND /usr/bin/python3 -m unittest -v test_nesting
  WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the nesting package's Python extension failed")
endif()
