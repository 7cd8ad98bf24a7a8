# The torrent player window through the real adapters, driven by the X server's keys and
# clicks. Keys go to whichever window has the input focus: it gets a display of its own,
# looked for away from the numbers the other displays of a test run start at.
find_program(QUORIN_XVFB_RUN xvfb-run REQUIRED)
if(NOT TARGET PkgConfig::CPPHTTPLIB)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
endif()
add_executable(torrent_window_real_tests ${CMAKE_CURRENT_LIST_DIR}/TorrentWindowRealTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtTestMain.cpp)
target_link_libraries(torrent_window_real_tests PRIVATE quorin_windows quorin_real
  GTest::gtest PkgConfig::CPPHTTPLIB Threads::Threads)
add_test(NAME torrent_window_real_tests
  COMMAND ${QUORIN_XVFB_RUN} -a -n 150 -s "-screen 0 1280x1024x24" $<TARGET_FILE:torrent_window_real_tests>)
set_tests_properties(torrent_window_real_tests PROPERTIES TIMEOUT 180
  ENVIRONMENT QT_QPA_PLATFORM=xcb)
