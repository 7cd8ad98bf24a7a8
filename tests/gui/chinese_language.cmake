# The browsers and Qt's own texts in Chinese under a desktop language that is not, with
# the application object set up as the program sets it up.
if(NOT TARGET PkgConfig::CPPHTTPLIB)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
endif()
add_executable(chinese_language_tests ${CMAKE_CURRENT_LIST_DIR}/ChineseLanguageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtTestMain.cpp)
target_link_libraries(chinese_language_tests PRIVATE quorin_qt quorin_real quorin_test_support
  GTest::gtest PkgConfig::CPPHTTPLIB Threads::Threads)
add_test(NAME chinese_language_tests COMMAND chinese_language_tests)
set_tests_properties(chinese_language_tests PROPERTIES TIMEOUT 120
  ENVIRONMENT "LANG=de_DE.UTF-8;LC_ALL=de_DE.UTF-8;LANGUAGE=de")
