# Helpers for the test suite.
#
# ky_add_gtest(NAME SOURCES a.cpp b.cpp LIBS KyBase ... [NETNS] [ADAPTERS n] [LABELS ...])
#   Builds a GoogleTest program and registers it with CTest. A test that opens a socket
#   says NETNS: it then runs inside a private network namespace made by scripts/netns-run,
#   with ADAPTERS extra veth pairs when it needs several network adapters.
include_guard(GLOBAL)

set(KY_NETNS_RUN ${CMAKE_SOURCE_DIR}/scripts/netns-run)

# How much longer the tests' waits may take in this build (tests/common/TestDeadline.h): the
# ThreadSanitizer build runs several times slower than the others.
if(KY_TSAN)
  set(KY_TEST_TIME_SCALE 4)
else()
  set(KY_TEST_TIME_SCALE 1)
endif()

function(ky_add_gtest name)
  cmake_parse_arguments(T "NETNS" "ADAPTERS;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  # Tests read and write wire and register fields with the SDK's byte-order helper.
  target_link_libraries(${name} PRIVATE ${T_LIBS} KyInternalHeaders GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
  target_compile_definitions(${name} PRIVATE KY_TEST_TIME_SCALE=${KY_TEST_TIME_SCALE})
  ky_add_test_command(${name} COMMAND $<TARGET_FILE:${name}> ${ARGN})
endfunction()

# ky_add_test_command(NAME COMMAND cmd args... [NETNS] [ADAPTERS n] [TIMEOUT s] [LABELS ...])
#   Registers any command with CTest, wrapped in a private network namespace when asked.
function(ky_add_test_command name)
  cmake_parse_arguments(T "NETNS" "ADAPTERS;TIMEOUT" "COMMAND;SOURCES;LIBS;LABELS" ${ARGN})
  set(cmd ${T_COMMAND})
  if(T_NETNS OR T_ADAPTERS)
    if(T_ADAPTERS)
      set(cmd ${KY_NETNS_RUN} --adapters ${T_ADAPTERS} ${cmd})
    else()
      set(cmd ${KY_NETNS_RUN} ${cmd})
    endif()
    list(APPEND T_LABELS netns)
  endif()
  add_test(NAME ${name} COMMAND ${cmd})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
