# Row sums and scalar product: each routine is built once and that same
# object goes into its console program, its tests and its benchmark.

# Row sums, also delivered on their own as the object module renglones.
lab_object_module(NAME renglones ARCH x86-64 SOURCES ${CMAKE_CURRENT_LIST_DIR}/sse_renglones.S)
add_executable(demo_filas ${CMAKE_CURRENT_LIST_DIR}/demo_filas.cpp)
lab_warnings(demo_filas)
target_link_libraries(demo_filas PRIVATE renglones host_base)

add_library(producto_escalar OBJECT ${CMAKE_CURRENT_LIST_DIR}/sse_producto_escalar.S)
add_executable(demo_producto ${CMAKE_CURRENT_LIST_DIR}/demo_producto.cpp)
lab_warnings(demo_producto)
target_link_libraries(demo_producto PRIVATE producto_escalar host_base)
