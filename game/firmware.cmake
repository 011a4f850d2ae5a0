# Game core for the board: the piece and well modules, delivered as object
# modules that a game image links with the block painter and the error stop.
fw_object_module(pieza ${LAB_ROOT}/game/pieza.cpp capa_juego)
fw_object_module(cuveta ${LAB_ROOT}/game/cuveta.cpp capa_juego)
