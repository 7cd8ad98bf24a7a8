# The upgrade window through the real adapters against the demo portal, on the X display.
add_executable(upgrade_window_real_tests ${CMAKE_CURRENT_LIST_DIR}/UpgradeWindowRealTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtTestMain.cpp)
target_link_libraries(upgrade_window_real_tests PRIVATE quorin_upgrade quorin_real quorin_qt quorin_curl
  quorin_posix quorin_test_portal GTest::gtest)
add_test(NAME upgrade_window_real_tests COMMAND upgrade_window_real_tests)
set_tests_properties(upgrade_window_real_tests PROPERTIES TIMEOUT 120)
