# Firmware object modules of the applications: the start-up module that
# every image links, and the clock.
fw_object_module(arranque ${LAB_ROOT}/apps/arranque.S)
fw_object_module(main ${LAB_ROOT}/apps/main.cpp)
