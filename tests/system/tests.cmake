# The system tests' additions, included by tests/CMakeLists.txt with
# t = hostutil_system_tests: runs of the suite under a virtual X display and
# under a Japanese locale.

# ${CMAKE_CROSSCOMPILING_EMULATOR} is Wine for the Windows build, empty natively.
set(system_run ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${t}> --gtest_brief=1)

find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN)
  add_test(NAME system_display
    COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x1024x24" ${system_run}
            --gtest_filter=DisplayUnderX.*)
  set_tests_properties(system_display PROPERTIES
    ENVIRONMENT "HOSTUTIL_TEST_DISPLAY_SIZE=1280x1024" TIMEOUT 120)
endif()

add_test(NAME system_japanese COMMAND ${system_run} --gtest_filter=StartedLocale.*)
set_tests_properties(system_japanese PROPERTIES
  ENVIRONMENT "LANG=ja_JP.UTF-8;LC_ALL=;LC_MESSAGES=;HOSTUTIL_TEST_LANGUAGE=11" TIMEOUT 120)
