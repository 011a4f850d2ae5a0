# Sources of the LPC4088 peripheral models, for the simulator library
# (which links libpng for the screenshots).
set(LPC4088_PERIPHERAL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/adc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catch_all.cpp
  ${CMAKE_CURRENT_LIST_DIR}/emc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gpio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gpio_interrupts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iocon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lcd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lpc4088_peripherals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/system_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timer.cpp)
