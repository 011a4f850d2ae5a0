# Lab @NOMBRE@. The application is the object module @NOMBRE@_main (a target
# name of its own: the image takes the lab's name); the image links the
# start-up (arranque) and the drivers main.cpp calls. A new driver goes in
# both places: its layer in fw_object_module, its module in OBJECTS.
fw_object_module(@NOMBRE@_main ${LAB_ROOT}/@NOMBRE@/main.cpp
  capa_apps capa_drivers capa_servicios capa_chip)
fw_imagen(NAME @NOMBRE@ OBJECTS arranque @NOMBRE@_main temporizador entradas_salidas)
