# GVSP streaming benchmark: our sender to our receiver over loopback (run inside scripts/netns-run).
add_executable(bench_gvsp_loopback ${CMAKE_CURRENT_LIST_DIR}/gvsp_loopback.cpp)
target_link_libraries(bench_gvsp_loopback PRIVATE KyStream KyVirtualDevice KyGevProtocol KyCommandLine Threads::Threads)
target_include_directories(bench_gvsp_loopback PRIVATE
  ${CMAKE_SOURCE_DIR}/sdk/stream ${CMAKE_SOURCE_DIR}/sdk/virtualdevice)

# The receiver's packet work replayed from memory: what placing a packet costs beyond its copy.
add_executable(bench_gvsp_tracker ${CMAKE_CURRENT_LIST_DIR}/gvsp_tracker.cpp)
target_link_libraries(bench_gvsp_tracker PRIVATE KyStream KyGevProtocol KyCommandLine)
target_include_directories(bench_gvsp_tracker PRIVATE ${CMAKE_SOURCE_DIR}/sdk/stream)
