# Python against C++: softcam's 2448x2048 stream taken by the same receive loop in Python (numpy
# views, through the module) and in C++, one table. A script, run inside a private network
# namespace by `cmake --build build --target bench_python_stream`.
add_executable(bench_python_stream_loop ${CMAKE_CURRENT_LIST_DIR}/python_stream_loop.cpp)
target_link_libraries(bench_python_stream_loop PRIVATE KyBuffer KyStream KyDevice KyCommandLine)

if(TARGET tavro_python)
  add_custom_target(bench_python_stream
    COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${KY_PYTHON_DIR}
            ${CMAKE_SOURCE_DIR}/scripts/netns-run /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/python_stream.py
            $<TARGET_FILE:softcam> $<TARGET_FILE:bench_python_stream_loop>
    DEPENDS softcam bench_python_stream_loop tavro_python
    USES_TERMINAL
    COMMENT "softcam -> the same receive loop in Python (numpy views) and in C++, side by side")
endif()
