# The number tables, the version check and the upgrade read-out under de_DE.UTF-8, with a
# real application object that takes its locale from the environment.
set(_unit ${PROJECT_SOURCE_DIR}/tests/unit)
add_executable(comma_locale_tests ${CMAKE_CURRENT_LIST_DIR}/CommaLocaleTest.cpp
  ${_unit}/base/NumbersTest.cpp ${_unit}/app/VersionCheckTest.cpp
  ${_unit}/upgrade/ReadOutTest.cpp)
target_include_directories(comma_locale_tests PRIVATE ${_unit}/app ${_unit}/upgrade)
target_link_libraries(comma_locale_tests PRIVATE quorin_upgrade quorin_real quorin_fakes
  GTest::gtest)
add_test(NAME comma_locale_tests COMMAND comma_locale_tests)
set_tests_properties(comma_locale_tests PROPERTIES
  ENVIRONMENT "LANG=de_DE.UTF-8;LC_ALL=de_DE.UTF-8" TIMEOUT 120)
