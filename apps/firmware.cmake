# Firmware object modules of the applications: the start-up module that
# every image links, the clock, and the thermistor conversion.
fw_object_module(arranque ${LAB_ROOT}/apps/arranque.S)
fw_object_module(main ${LAB_ROOT}/apps/main.cpp capa_apps capa_drivers capa_servicios capa_chip)
fw_object_module(sonda_temperatura ${LAB_ROOT}/apps/sonda_temperatura.cpp capa_apps)
# The conversion's results depend on every rounding step: no fused multiply-add.
target_compile_options(sonda_temperatura PRIVATE -ffp-contract=off)
# The falling-block game's application: gravity, buttons, scoring and panel.
fw_object_module(partida ${LAB_ROOT}/apps/partida.cpp
  capa_apps capa_juego capa_drivers capa_servicios capa_chip)
