# The firmware's layers, one INTERFACE library each, shared by the firmware
# project and by the host builds of the same modules. A layer offers its own
# headers and those of the layers its headers include; a target links the
# layers it uses and sees no other folder, so an include that points upwards
# (a driver reaching for a game header) does not compile.
#
#   apps -> game, drivers -> board services -> base
#   drivers, board -> chip (device and core headers)
#
# The board implements the services; its own headers (capa_placa) are for its
# sources and their tests only. Needs LAB_ROOT, the top of the tree.

# Scalar types every firmware module may use.
add_library(capa_base INTERFACE)
target_include_directories(capa_base INTERFACE ${LAB_ROOT}/base)

# The LPC4088's register blocks, bit names and core functions.
add_library(capa_chip INTERFACE)
target_include_directories(capa_chip INTERFACE ${LAB_ROOT}/board/chip)

# Error stop, block painter, graphic LCD, LEDs: called from above, implemented
# by the board.
add_library(capa_servicios INTERFACE)
target_include_directories(capa_servicios INTERFACE ${LAB_ROOT}/board/servicios)
target_link_libraries(capa_servicios INTERFACE capa_base)

add_library(capa_placa INTERFACE)
target_include_directories(capa_placa INTERFACE ${LAB_ROOT}/board)
target_link_libraries(capa_placa INTERFACE capa_servicios capa_chip)

add_library(capa_drivers INTERFACE)
target_include_directories(capa_drivers INTERFACE ${LAB_ROOT}/drivers)
target_link_libraries(capa_drivers INTERFACE capa_chip capa_base)

add_library(capa_juego INTERFACE)
target_include_directories(capa_juego INTERFACE ${LAB_ROOT}/game)
target_link_libraries(capa_juego INTERFACE capa_servicios capa_base)

add_library(capa_apps INTERFACE)
target_include_directories(capa_apps INTERFACE ${LAB_ROOT}/apps)
target_link_libraries(capa_apps INTERFACE capa_base)
