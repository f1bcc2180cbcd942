find_package(OpenSSL REQUIRED COMPONENTS Crypto)
# The links on 127.0.0.1 (client and server, Sur-Gard and SIA-DCS) driven by the receiver
# simulator, against a bare loopback ping-pong floor measured in the same run.
corvane_add_bench(bench_links
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_links.cpp ${CMAKE_CURRENT_SOURCE_DIR}/links_floor.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/links_table.cpp ${CMAKE_CURRENT_SOURCE_DIR}/links_program.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/links_dc09_floor.cpp
  LIBS corvane_receiver_sim OpenSSL::Crypto)
# The lockstep rows run against the corvane-station program as well.
target_compile_definitions(bench_links PRIVATE CORVANE_STATION_PROGRAM="$<TARGET_FILE:corvane-station>")
add_dependencies(bench_links corvane-station)
