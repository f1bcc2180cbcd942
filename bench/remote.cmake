# The metrics service under load: a scrape's time at 64 receivers, and what scraping 10 times a
# second does to the 64-receiver lockstep run.
corvane_add_bench(bench_remote
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_remote.cpp
  LIBS corvane_remote corvane_receiver_sim PkgConfig::HTTPLIB)
