# Decrypting an encrypted DC-09 frame and building its encrypted ACK.
corvane_add_bench(bench_dc09 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_dc09.cpp)
# One frame through the station, plain and encrypted: the receiving thread's part and the worker's.
corvane_add_bench(bench_dc09_path SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_dc09_path.cpp)
