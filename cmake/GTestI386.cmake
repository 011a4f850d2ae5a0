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
