# The receiving thread's cost per answer, with every answer's diagnostic line on and off.
corvane_add_bench(bench_session SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_session.cpp)
