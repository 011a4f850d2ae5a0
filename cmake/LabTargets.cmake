# Helpers shared by every area of the host build.

set(LAB_HOST_OBJECTS_DIR ${CMAKE_BINARY_DIR}/objects/x86-64)
set(LAB_I386_OBJECTS_DIR ${CMAKE_BINARY_DIR}/objects/i386)
set(LAB_TESTS_DIR ${CMAKE_BINARY_DIR}/tests)
set(LAB_BENCH_DIR ${CMAKE_BINARY_DIR}/bench)
set(LAB_FIRMWARE_DIR ${CMAKE_BINARY_DIR}/firmware)
set(LAB_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)

# Our own code builds warning-free; third-party code never gets these flags.
function(lab_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Wshadow -Werror>)
endfunction()

# Marks a target as 32-bit x86 code (cdecl), compiled and linked with -m32.
function(lab_i386 target)
  target_compile_options(${target} PRIVATE -m32)
  target_link_options(${target} PRIVATE -m32)
endfunction()

# An object module delivered on its own: built once and copied to
# objects/<arch>/<name>.o, where the README says deliverables land.
# Usage: lab_object_module(NAME name ARCH x86-64|i386 SOURCES ...)
function(lab_object_module)
  cmake_parse_arguments(M "" "NAME;ARCH" "SOURCES" ${ARGN})
  add_library(${M_NAME} OBJECT ${M_SOURCES})
  lab_warnings(${M_NAME})
  if(M_ARCH STREQUAL "i386")
    lab_i386(${M_NAME})
    set(dest ${LAB_I386_OBJECTS_DIR})
  else()
    set(dest ${LAB_HOST_OBJECTS_DIR})
  endif()
  list(LENGTH M_SOURCES count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "object module ${M_NAME} must come from one source")
  endif()
  add_custom_target(${M_NAME}_deliver ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dest}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_OBJECTS:${M_NAME}> ${dest}/${M_NAME}.o
    DEPENDS ${M_NAME} $<TARGET_OBJECTS:${M_NAME}>
    COMMENT "Delivering ${M_ARCH} object module ${M_NAME}.o"
    VERBATIM)
endfunction()

# A GoogleTest program registered with CTest, one test per case, labelled
# unit and any LABELS given; TIMEOUT (seconds) for cases that need longer than
# the preset's.
# Usage: lab_test(NAME name SOURCES ... [LIBS ...] [I386] [LABELS ...] [TIMEOUT s])
function(lab_test)
  cmake_parse_arguments(T "I386" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  lab_warnings(${T_NAME})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LAB_TESTS_DIR})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  if(T_I386)
    lab_i386(${T_NAME})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest_main_i386)
    if(LAB_I386_RUNNER)
      set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR ${LAB_I386_RUNNER})
    endif()
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
  # The discovered cases get their list-valued labels afterwards, from a file
  # CTest reads after the discovery's own: the discovery's PROPERTIES would
  # flatten "unit;lento" into separate arguments.
  if(T_LABELS OR T_TIMEOUT)
    set(propiedades "LABELS \"unit;${T_LABELS}\"")
    if(T_TIMEOUT)
      string(APPEND propiedades " TIMEOUT ${T_TIMEOUT}")
    endif()
    set(extra ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_propiedades.cmake)
    file(WRITE ${extra} "if(${T_NAME}_TESTS)\n"
      "  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES ${propiedades})\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${extra})
  endif()
endfunction()

# A Google Benchmark program; `./lab bench` runs every one of them.
function(lab_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT LAB_BENCHMARKS)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  lab_warnings(${B_NAME})
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LAB_BENCH_DIR})
  target_include_directories(${B_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()

include(GoogleTest)
