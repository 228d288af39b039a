# label_display_tests(TARGET LABEL): labels the tests gtest_discover_tests found in TARGET with
# LABEL and "display", so that `ctest -LE display` leaves out the tests that need an X server.
# gtest_discover_tests takes one label only: it splits a list of them into separate words. The
# list is set by a script that CTest runs after the one listing the tests.
function(label_display_tests target label)
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake")
  file(WRITE "${script}" "if(${target}_TESTS)\n  set_tests_properties(\${${target}_TESTS} "
                         "PROPERTIES LABELS \"${label};display\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
