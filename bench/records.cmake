# Message records: recording cost, memory at the limit, exports; and the Messages window's event
# loop while it follows 10,000 messages per second.
corvane_add_bench(bench_records SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_records.cpp)
if(CORVANE_BUILD_UI)
  add_executable(bench_messages_window ${CMAKE_CURRENT_SOURCE_DIR}/bench_messages_window.cpp)
  target_link_libraries(bench_messages_window PRIVATE corvane_ui)
  corvane_warnings(bench_messages_window)
endif()
