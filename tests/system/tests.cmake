# The system tests' additions, included by tests/CMakeLists.txt with
# t = hostutil_system_tests: runs of the suite under a virtual X display and
# under a Japanese locale.

# ${CMAKE_CROSSCOMPILING_EMULATOR} is Wine for the Windows build, empty natively.
set(system_run ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${t}> --gtest_brief=1)

find_program(XVFB Xvfb)
if(XVFB)
  add_test(NAME system_display
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/support/with-xvfb.sh 1280x1024x24 ${system_run}
            --gtest_filter=DisplayUnderX.*)
  set_tests_properties(system_display PROPERTIES
    ENVIRONMENT "HOSTUTIL_TEST_DISPLAY_SIZE=1280x1024" TIMEOUT 120)
endif()

add_test(NAME system_japanese COMMAND ${system_run} --gtest_filter=StartedLocale.*)
set_tests_properties(system_japanese PROPERTIES
  ENVIRONMENT "LANG=ja_JP.UTF-8;LC_ALL=;LC_MESSAGES=;HOSTUTIL_TEST_LANGUAGE=11" TIMEOUT 120)

# Address plug-ins of a printer driver, built beside the test program (where
# the search looks when the driver folder has no such file): one that answers,
# one without the GetIPAddress export.
foreach(plugin IN ITEMS hutestaddr hutestnoaddr)
  add_library(${plugin} MODULE ${CMAKE_CURRENT_SOURCE_DIR}/system/plugin/address_plugin.cpp)
  set_target_properties(${plugin} PROPERTIES PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  hostutil_warnings(${plugin})
  add_dependencies(${t} ${plugin})
endforeach()
target_compile_definitions(hutestnoaddr PRIVATE PLUGIN_ANSWER=GetIPAddr)
target_compile_definitions(${t} PRIVATE
  HOSTUTIL_TEST_MODULE_SUFFIX="${CMAKE_SHARED_MODULE_SUFFIX}"
  HOSTUTIL_TEST_CUPS_SCRIPT="${CMAKE_CURRENT_SOURCE_DIR}/system/cups-server.sh")

# The private print server, started before the suite and stopped after it
# whatever the suite's outcome. Under Wine its printers reach the tests through
# Wine's spooler, which asks the same server.
set(cups_dir ${CMAKE_BINARY_DIR}/cups-server)
add_test(NAME system_cups_start
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/system/cups-server.sh start ${cups_dir})
add_test(NAME system_cups_stop
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/system/cups-server.sh stop ${cups_dir})
set_tests_properties(system_cups_start PROPERTIES FIXTURES_SETUP system_cups TIMEOUT 60)
set_tests_properties(system_cups_stop PROPERTIES FIXTURES_CLEANUP system_cups TIMEOUT 60)

# The printer search again as an ordinary user, whom the server does not let
# read its PPD files. Both runs write into the same driver folder: one at a time.
set(cups_environment "HOSTUTIL_TEST_CUPS=${cups_dir};CUPS_SERVER=${cups_dir}/cups.sock;CUPS_SERVERROOT=${cups_dir}/root")
set_tests_properties(system PROPERTIES FIXTURES_REQUIRED system_cups RESOURCE_LOCK cups_driver_folder
  ENVIRONMENT "${cups_environment}")
if(NOT WIN32)
  add_test(NAME system_cups_user
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/system/as-user.sh ${cups_dir} ${system_run}
            --gtest_filter=PrinterSearch.*)
  set_tests_properties(system_cups_user PROPERTIES FIXTURES_REQUIRED system_cups
    RESOURCE_LOCK cups_driver_folder SKIP_RETURN_CODE 77 TIMEOUT 120
    ENVIRONMENT "${cups_environment}")
endif()
