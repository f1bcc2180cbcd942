# The receiver simulator's own work per SIA-DCS message, plain and encrypted: making the frame and
# checking the answer. The link benchmark's SIA-DCS floors show the same costs end to end.
corvane_add_bench(bench_receiver_sim SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_receiver_sim.cpp
                  LIBS corvane_receiver_sim)
