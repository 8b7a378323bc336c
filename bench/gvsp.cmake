# GVSP streaming benchmark: our sender to our receiver over loopback (run inside scripts/netns-run).
add_executable(bench_gvsp_loopback ${CMAKE_CURRENT_LIST_DIR}/gvsp_loopback.cpp)
target_link_libraries(bench_gvsp_loopback PRIVATE KyStream KyVirtualDevice KyGevProtocol Threads::Threads)
target_include_directories(bench_gvsp_loopback PRIVATE
  ${CMAKE_SOURCE_DIR}/sdk/stream ${CMAKE_SOURCE_DIR}/sdk/virtualdevice)
