# Board layer of the firmware: what the tool chain and the board give the
# applications (linker script, run-time start, system set-up, LCD with its
# fonts, LEDs, block painter, error stop) and the flashable images.

set(FW_LINKER_SCRIPT ${LAB_ROOT}/board/lpc4088.ld)
include(${LAB_ROOT}/board/fuentes.cmake)
set(FW_FUENTES_CPP ${CMAKE_BINARY_DIR}/generado/glcd_fuentes.cpp)

add_custom_command(OUTPUT ${FW_FUENTES_CPP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generado
  COMMAND ${LAB_HOST_TOOLS_DIR}/fuentes_glcd ${FW_FUENTES_CPP} ${LAB_CONSOLE_FONTS}
  DEPENDS ${LAB_HOST_TOOLS_DIR}/fuentes_glcd ${LAB_CONSOLE_FONTS}
  COMMENT "Generating the LCD fonts"
  VERBATIM)

add_library(placa STATIC
  ${LAB_ROOT}/board/inicio.S
  ${LAB_ROOT}/board/monticulo.cpp
  ${LAB_ROOT}/board/sistema.cpp
  ${LAB_ROOT}/board/formato.cpp
  ${LAB_ROOT}/board/pantalla.cpp
  ${LAB_ROOT}/board/sdram.cpp
  ${LAB_ROOT}/board/lcd.cpp
  ${LAB_ROOT}/board/glcd.cpp
  ${LAB_ROOT}/board/bloque.cpp
  ${LAB_ROOT}/board/leds.cpp
  ${LAB_ROOT}/board/parar_con_error.cpp
  ${FW_FUENTES_CPP})
fw_target_defaults(placa)
# The board implements the services on the chip alone: no driver, no game.
target_link_libraries(placa PRIVATE capa_placa)

# An image: ELF, .bin and .hex in ${FW_IMAGES_DIR}, with its map file and
# size report, the boot ROM checksum written into all three and checked.
# Usage: fw_imagen(NAME name OBJECTS objlib... [SOURCES extra...] [KEEP_ALL])
function(fw_imagen)
  cmake_parse_arguments(I "KEEP_ALL" "NAME" "OBJECTS;SOURCES" ${ARGN})
  set(objetos)
  foreach(o ${I_OBJECTS})
    list(APPEND objetos $<TARGET_OBJECTS:${o}>)
  endforeach()
  add_executable(${I_NAME} ${objetos} ${I_SOURCES})
  fw_target_defaults(${I_NAME})
  set(base ${FW_IMAGES_DIR}/${I_NAME})
  set_target_properties(${I_NAME} PROPERTIES
    OUTPUT_NAME ${I_NAME} SUFFIX .elf RUNTIME_OUTPUT_DIRECTORY ${FW_IMAGES_DIR}
    LINK_DEPENDS ${FW_LINKER_SCRIPT})
  target_link_options(${I_NAME} PRIVATE
    -T${FW_LINKER_SCRIPT} -nostartfiles -Wl,-Map=${base}.map -Wl,--print-memory-usage
    $<$<BOOL:${I_KEEP_ALL}>:-Wl,--no-gc-sections>)
  target_link_libraries(${I_NAME} PRIVATE placa m)
  add_custom_command(TARGET ${I_NAME} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} -O binary ${base}.elf ${base}.bin
    COMMAND ${CMAKE_OBJCOPY} -O ihex ${base}.elf ${base}.hex
    COMMAND ${LAB_HOST_TOOLS_DIR}/suma_vectores ${base}.elf ${base}.bin ${base}.hex
    COMMAND sh -c "${CMAKE_SIZE} -A -x ${base}.elf > ${base}.size"
    COMMAND ${CMAKE_SIZE} ${base}.elf
    COMMENT "Image ${I_NAME}: .bin, .hex, checksum, size"
    VERBATIM)
endfunction()

fw_imagen(NAME reloj OBJECTS arranque main temporizador)
fw_imagen(NAME juego OBJECTS arranque partida pieza cuveta temporizador entradas_salidas)

fw_imagen(NAME pruebas_firmware
  OBJECTS arranque pieza cuveta entradas_salidas config_pines temporizador conversor
    sonda_temperatura
  SOURCES ${LAB_ROOT}/board/pruebas_firmware.cpp KEEP_ALL)
# Its own source only brings up the LCD and the LEDs, then sleeps.
target_link_libraries(pruebas_firmware PRIVATE capa_servicios capa_chip)

# A driver's error stop on demand (P2.10 low), for the simulator's command
# line and its scenarios.
fw_imagen(NAME parada_error OBJECTS arranque entradas_salidas
  SOURCES ${LAB_ROOT}/board/parada_error.cpp)
target_link_libraries(parada_error PRIVATE capa_drivers capa_servicios capa_chip)
