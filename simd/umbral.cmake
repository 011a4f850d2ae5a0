# Black-and-white thresholding: the SIMD routine as object module umbralizado,
# the grey-level conversions, and the image program umbral that links them
# with the BMP library.
lab_object_module(NAME umbralizado ARCH x86-64 SOURCES ${CMAKE_CURRENT_LIST_DIR}/umbralizado.S)
target_include_directories(umbralizado PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_library(gris OBJECT ${CMAKE_CURRENT_LIST_DIR}/gris.cpp)
lab_warnings(gris)
target_include_directories(gris PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(gris PUBLIC mapabits)

add_executable(umbral ${CMAKE_CURRENT_LIST_DIR}/umbral.cpp)
lab_warnings(umbral)
target_link_libraries(umbral PRIVATE umbralizado gris mapabits host_base)
