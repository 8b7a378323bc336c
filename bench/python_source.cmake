# A Python streaming channel source against the native one: the frame rate each sustains at
# 1280x1024 Mono8 into our receiver (bench_python_stream_loop), one table. A script, run inside a
# private network namespace by `cmake --build build --target bench_python_source`.
if(TARGET tavro_python)
  add_custom_target(bench_python_source
    COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${KY_PYTHON_DIR}
            ${CMAKE_SOURCE_DIR}/scripts/netns-run /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/python_source.py
            $<TARGET_FILE:softcam> $<TARGET_FILE:bench_python_stream_loop>
    DEPENDS softcam bench_python_stream_loop tavro_python
    USES_TERMINAL
    COMMENT "a Python streaming channel source and the native one into our receiver, side by side")
endif()
