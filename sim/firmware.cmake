# The simulator's own test images: small programs that each exercise one
# behaviour of the simulated board and report through memory, built into
# images/sim_<name>.elf with a minimal start-up of their own.
set(SIM_IMAGES_DIR ${LAB_ROOT}/sim/imagenes)
add_library(sim_arranque OBJECT ${SIM_IMAGES_DIR}/arranque_prueba.S)

# Each image named by its source, so a renamed or missing one fails here.
foreach(source excepciones.S prioridades.cpp fallos.cpp perifericos.cpp llamadas.cpp
    forma_reloj.cpp memoria.S semihosting.cpp uart.cpp)
  get_filename_component(name ${source} NAME_WE)
  set(source ${SIM_IMAGES_DIR}/${source})
  add_executable(sim_${name} ${source} $<TARGET_OBJECTS:sim_arranque>)
  fw_target_defaults(sim_${name})
  target_include_directories(sim_${name} PRIVATE ${SIM_IMAGES_DIR})
  target_compile_options(sim_${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-O1>)
  # Tests call functions nothing in the image calls: keep every one.
  target_link_options(sim_${name} PRIVATE -nostartfiles -Wl,--no-gc-sections
    -T${SIM_IMAGES_DIR}/imagen_prueba.ld)
  set_target_properties(sim_${name} PROPERTIES
    SUFFIX .elf
    RUNTIME_OUTPUT_DIRECTORY ${FW_IMAGES_DIR}
    LINK_DEPENDS ${SIM_IMAGES_DIR}/imagen_prueba.ld)
endforeach()
# The UART image names the register bits from the device header.
target_link_libraries(sim_uart PRIVATE capa_chip)
