# Side-by-side streaming benchmark: softcam's stream taken by our receiver and by aravis's, one
# table. A script, run inside a private network namespace by
# `cmake --build build --target bench_sidebyside`.
add_executable(bench_sidebyside_receiver ${CMAKE_CURRENT_LIST_DIR}/sidebyside_receiver.cpp)
target_link_libraries(bench_sidebyside_receiver PRIVATE KyAppUtils KyStream KyDevice KyCommandLine)

if(ky_bench_no_aravis_gi EQUAL 0)
  add_custom_target(bench_sidebyside
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/netns-run /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/sidebyside.py
            $<TARGET_FILE:softcam> $<TARGET_FILE:bench_sidebyside_receiver>
    DEPENDS softcam bench_sidebyside_receiver
    USES_TERMINAL
    COMMENT "softcam -> our receiver and aravis's receiver, side by side")
else()
  list(APPEND ky_bench_left_out "bench_sidebyside (gir1.2-aravis-0.8, python3-gi)")
endif()
