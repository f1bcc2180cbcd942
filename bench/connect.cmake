# The main window's event loop while the client link tries a receiver that never answers.
if(CORVANE_BUILD_UI)
  find_package(Qt6 REQUIRED COMPONENTS Network)
  add_executable(bench_connect_stall ${CMAKE_CURRENT_SOURCE_DIR}/bench_connect_stall.cpp)
  target_link_libraries(bench_connect_stall PRIVATE corvane_ui Qt6::Network)
  corvane_warnings(bench_connect_stall)
endif()
