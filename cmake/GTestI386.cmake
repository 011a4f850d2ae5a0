# GoogleTest for 32-bit test programs, built from Debian's googletest sources
# (the packaged libraries are 64-bit only).
set(LAB_GTEST_SRC /usr/src/googletest/googletest)
if(NOT EXISTS ${LAB_GTEST_SRC}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found in ${LAB_GTEST_SRC}: run ./lab setup")
endif()
add_library(gtest_i386 STATIC ${LAB_GTEST_SRC}/src/gtest-all.cc)
target_include_directories(gtest_i386 SYSTEM PUBLIC ${LAB_GTEST_SRC}/include)
target_include_directories(gtest_i386 PRIVATE ${LAB_GTEST_SRC})
target_compile_options(gtest_i386 PUBLIC -m32)
target_link_options(gtest_i386 PUBLIC -m32)
target_link_libraries(gtest_i386 PUBLIC Threads::Threads)
add_library(gtest_main_i386 STATIC ${LAB_GTEST_SRC}/src/gtest_main.cc)
target_link_libraries(gtest_main_i386 PUBLIC gtest_i386)

# Some kernels run no 32-bit x86 program at all (built without IA-32
# emulation). The i386 tests and the 32-bit program then run under the
# user-mode emulator: still i386 code, decoded instruction by instruction.
set(probe_dir ${CMAKE_BINARY_DIR}/i386-probe)
file(WRITE ${probe_dir}/probe.c "int main(void) { return 0; }\n")
try_run(LAB_I386_PROBE_RUN LAB_I386_PROBE_BUILT ${probe_dir} ${probe_dir}/probe.c
  COMPILE_DEFINITIONS -m32 LINK_OPTIONS -m32)
if(NOT LAB_I386_PROBE_BUILT)
  message(FATAL_ERROR "cannot build a 32-bit x86 program: run ./lab setup (g++-multilib)")
endif()
set(LAB_I386_RUNNER "")
if(NOT LAB_I386_PROBE_RUN EQUAL 0)
  find_program(LAB_QEMU_I386 qemu-i386)
  if(NOT LAB_QEMU_I386)
    message(FATAL_ERROR "this kernel runs no 32-bit x86 program and qemu-i386 is missing: "
                        "run ./lab setup (qemu-user)")
  endif()
  set(LAB_I386_RUNNER ${LAB_QEMU_I386})
  message(STATUS "32-bit x86 programs run under ${LAB_QEMU_I386} (the kernel runs none)")
endif()
