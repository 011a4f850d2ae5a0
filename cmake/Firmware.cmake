# The firmware is a CMake project of its own (cross toolchain, no host flags),
# driven from here so that one build produces both halves. It rebuilds every
# time so edits to firmware sources are always picked up.
include(ExternalProject)
ExternalProject_Add(firmware
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/cmake/firmware
  BINARY_DIR ${LAB_FIRMWARE_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/arm-none-eabi.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
    -DLAB_ROOT=${PROJECT_SOURCE_DIR}
    -DLAB_HOST_TOOLS_DIR=${LAB_HOST_TOOLS_DIR}
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  DEPENDS firmware_host_tools
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON)
