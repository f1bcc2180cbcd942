# Throughput and steady memory of the msgPro worker with the activity log hidden and shown.
corvane_add_bench(bench_pipeline SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_pipeline.cpp)
