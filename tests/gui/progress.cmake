# The progress bar drawn on the real Qt surface, offscreen: pixel checks and pictures of
# the upgrade window's bar in this build directory.
add_executable(progress_gui_tests ${CMAKE_CURRENT_LIST_DIR}/ProgressPixelsTest.cpp)
target_link_libraries(progress_gui_tests PRIVATE quorin_widgets quorin_qt GTest::gtest)
target_compile_definitions(progress_gui_tests
  PRIVATE QUORIN_PICTURE_DIR="${CMAKE_CURRENT_BINARY_DIR}")
gtest_discover_tests(progress_gui_tests)
