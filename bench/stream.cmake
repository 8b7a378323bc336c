# Stream benchmarks (run inside scripts/netns-run): our sender to our KyStreamGEV + KyPipeline,
# and aravis's fake camera to our receiver.
set(KY_STREAM_BENCH_INCLUDES ${CMAKE_SOURCE_DIR}/tests/common)

add_executable(bench_stream_pipeline ${CMAKE_CURRENT_LIST_DIR}/stream_pipeline.cpp)
target_link_libraries(bench_stream_pipeline PRIVATE KyStreamInternal KyVirtualDeviceInternal KyGevProtocol KyCommandLine Threads::Threads)
target_include_directories(bench_stream_pipeline PRIVATE ${KY_STREAM_BENCH_INCLUDES})

if(KY_ARV_FAKE_CAMERA AND KY_ARV_TOOL)
  add_executable(bench_stream_arv ${CMAKE_CURRENT_LIST_DIR}/stream_arv.cpp)
  target_link_libraries(bench_stream_arv PRIVATE KyAppUtils KyStream KyDevice KyCommandLine Threads::Threads)
  target_include_directories(bench_stream_arv PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
else()
  list(APPEND ky_bench_left_out "bench_stream_arv (aravis-tools, aravis-tools-cli)")
endif()
