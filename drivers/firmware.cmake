# Firmware object modules of the peripheral drivers and of the thermistor
# conversion (its source lives with the applications).
fw_object_module(entradas_salidas ${LAB_ROOT}/drivers/entradas_salidas.cpp)
fw_object_module(config_pines ${LAB_ROOT}/drivers/config_pines.cpp)
fw_object_module(temporizador ${LAB_ROOT}/drivers/temporizador.cpp)
fw_object_module(conversor ${LAB_ROOT}/drivers/conversor.cpp)
fw_object_module(sonda_temperatura ${LAB_ROOT}/apps/sonda_temperatura.cpp)
# The conversion's results depend on every rounding step: no fused multiply-add.
target_compile_options(sonda_temperatura PRIVATE -ffp-contract=off)
