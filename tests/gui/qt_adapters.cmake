# The Qt adapters on the real X display (xvfb-run in CI), the browser against loopback
# servers. One process: the browser engine starts once for the whole suite.
if(NOT TARGET PkgConfig::CPPHTTPLIB)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
endif()
file(GLOB QUORIN_QT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Qt*.cpp)
add_executable(qt_adapter_tests ${QUORIN_QT_TEST_SOURCES})
target_link_libraries(qt_adapter_tests PRIVATE quorin_qt quorin_real quorin_test_support GTest::gtest PkgConfig::CPPHTTPLIB
  Threads::Threads)
# The browser tests stand in for the desktop's URL opener with an object of their own.
set_target_properties(qt_adapter_tests PROPERTIES AUTOMOC ON)
# Its browser tests click and type with the X server's own input, which lands on whatever
# window is on top: a display of its own keeps the other tests' windows out of the way.
find_program(QUORIN_XVFB_RUN xvfb-run REQUIRED)
add_test(NAME qt_adapter_tests
  COMMAND ${QUORIN_XVFB_RUN} -a -n 170 -s "-screen 0 1280x1024x24" $<TARGET_FILE:qt_adapter_tests>)
set_tests_properties(qt_adapter_tests PROPERTIES TIMEOUT 180 ENVIRONMENT QT_QPA_PLATFORM=xcb)
