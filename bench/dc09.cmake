# Decrypting an encrypted DC-09 frame and building its encrypted ACK.
corvane_add_bench(bench_dc09 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_dc09.cpp)
