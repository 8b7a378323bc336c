# GVSP streaming benchmark: our sender to our receiver over loopback (run inside scripts/netns-run).
add_executable(bench_gvsp_loopback ${CMAKE_CURRENT_LIST_DIR}/gvsp_loopback.cpp)
# Sender and receiver are internal classes: the benchmark links the libraries' archives.
target_link_libraries(bench_gvsp_loopback PRIVATE KyStreamInternal KyVirtualDeviceInternal KyGevProtocol KyCommandLine Threads::Threads)

# The receiver's packet work replayed from memory: what placing a packet costs beyond its copy.
add_executable(bench_gvsp_tracker ${CMAKE_CURRENT_LIST_DIR}/gvsp_tracker.cpp)
target_link_libraries(bench_gvsp_tracker PRIVATE KyStreamInternal KyGevProtocol KyCommandLine)
