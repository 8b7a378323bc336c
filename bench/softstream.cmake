# Soft device streaming benchmark: softcam to the aravis receiver over loopback. A script, run
# inside a private network namespace by `cmake --build build --target bench_softstream_arv`.
if(ky_bench_no_aravis_gi EQUAL 0)
  add_custom_target(bench_softstream_arv
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/netns-run /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/softstream_arv.py
            $<TARGET_FILE:softcam>
    DEPENDS softcam
    USES_TERMINAL
    COMMENT "softcam -> aravis receiver")
else()
  list(APPEND ky_bench_left_out "bench_softstream_arv (gir1.2-aravis-0.8, python3-gi)")
endif()
