# The browsers' profiles through the real adapters against a loopback server, in a process
# with a home and XDG folders of its own.
find_program(QUORIN_XVFB_RUN xvfb-run REQUIRED)
if(NOT TARGET PkgConfig::CPPHTTPLIB)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
endif()
add_executable(profile_real_tests ${CMAKE_CURRENT_LIST_DIR}/ProfileRealTest.cpp)
target_link_libraries(profile_real_tests PRIVATE quorin_real quorin_test_support GTest::gtest
  PkgConfig::CPPHTTPLIB Threads::Threads)
add_test(NAME profile_real_tests
  COMMAND ${QUORIN_XVFB_RUN} -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:profile_real_tests>)
set_tests_properties(profile_real_tests PROPERTIES TIMEOUT 180 ENVIRONMENT QT_QPA_PLATFORM=xcb)
