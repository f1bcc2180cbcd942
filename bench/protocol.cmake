# parseLine on each kind of message (diagnostic log writing its real file) and makeResponse.
corvane_add_bench(bench_protocol SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_protocol.cpp)
