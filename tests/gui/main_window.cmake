# The main window through the real adapters against the demo portal, on the X display.
add_executable(main_window_real_tests ${CMAKE_CURRENT_LIST_DIR}/MainWindowRealTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtTestMain.cpp)
target_link_libraries(main_window_real_tests PRIVATE quorin_app quorin_real
  quorin_test_portal GTest::gtest)
add_test(NAME main_window_real_tests COMMAND main_window_real_tests)
set_tests_properties(main_window_real_tests PROPERTIES TIMEOUT 240)
