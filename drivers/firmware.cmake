# Firmware object modules of the peripheral drivers: they see their own
# headers, the device header, the base types and the error stop.
foreach(m entradas_salidas config_pines temporizador conversor)
  fw_object_module(${m} ${LAB_ROOT}/drivers/${m}.cpp capa_drivers capa_servicios)
endforeach()
