# The architecture program, built for our board's memory map and for the
# reference machine's (which also prints its log through semihosting).
set(ARQ_DIR ${LAB_ROOT}/tests/arquitectura)
foreach(mapa lpc4088 an386)
  add_executable(arq_${mapa} ${ARQ_DIR}/programa.c ${ARQ_DIR}/arranque.S)
  fw_target_defaults(arq_${mapa})
  target_compile_options(arq_${mapa} PRIVATE $<$<COMPILE_LANGUAGE:C>:-O1 -fno-tree-loop-distribute-patterns>)
  target_link_options(arq_${mapa} PRIVATE -nostartfiles -nostdlib -Wl,--no-gc-sections
    -Wl,--no-warn-rwx-segments -L${ARQ_DIR} -T${ARQ_DIR}/${mapa}.ld)
  set_target_properties(arq_${mapa} PROPERTIES
    SUFFIX .elf
    RUNTIME_OUTPUT_DIRECTORY ${FW_IMAGES_DIR}
    LINK_DEPENDS "${ARQ_DIR}/${mapa}.ld;${ARQ_DIR}/secciones.ld")
endforeach()
target_compile_definitions(arq_an386 PRIVATE ARQ_SEMIHOSTING)
