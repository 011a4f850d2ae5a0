# The simulator's own test images: small programs that each exercise one
# behaviour of the simulated board and report through memory, built into
# images/sim_<name>.elf with a minimal start-up of their own.
set(SIM_IMAGES_DIR ${LAB_ROOT}/sim/imagenes)
add_library(sim_arranque OBJECT ${SIM_IMAGES_DIR}/arranque_prueba.S)

foreach(name excepciones prioridades fallos perifericos llamadas forma_reloj memoria)
  if(EXISTS ${SIM_IMAGES_DIR}/${name}.S)
    set(source ${SIM_IMAGES_DIR}/${name}.S)
  else()
    set(source ${SIM_IMAGES_DIR}/${name}.cpp)
  endif()
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
