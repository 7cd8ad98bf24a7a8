# End to end: the real program under Xvfb against the demo portal.
find_package(X11 REQUIRED)
add_executable(x11-close-window ${CMAKE_CURRENT_LIST_DIR}/XCloseWindow.cpp)
target_link_libraries(x11-close-window PRIVATE X11::X11)

string(REGEX MATCH ":([0-9]+)$" _port_match "${QUORIN_PORTAL_BASE}")
set(QUORIN_DEMO_PORT "${CMAKE_MATCH_1}")
if(TARGET quorin-demo-portal AND QUORIN_DEMO_PORT AND QUORIN_PORTAL_BASE MATCHES "^http://127\\.0\\.0\\.1:")
  add_test(NAME e2e.main_window
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e-main-window.sh $<TARGET_FILE:quorin>
            $<TARGET_FILE:quorin-demo-portal> $<TARGET_FILE:x11-close-window>
            ${QUORIN_DEMO_PORT} ${CMAKE_CURRENT_BINARY_DIR}/e2e-main-window)
  # It listens on the configured portal port: keep other runs of it apart.
  set_tests_properties(e2e.main_window PROPERTIES RESOURCE_LOCK demo_port TIMEOUT 180)
endif()

# The upgrade runs the demo's installer: a build must either check nothing or trust the
# demo key. With the demo key, the refusals of a bad or missing signature are run too.
set(_upgrade_modes)
if(QUORIN_UPDATE_PUBLIC_KEY STREQUAL "")
  set(_upgrade_modes accept refuse none)
elseif(QUORIN_UPDATE_PUBLIC_KEY STREQUAL QUORIN_DEMO_UPDATE_PUBLIC_KEY)
  set(_upgrade_modes accept refuse none bad_signature no_signature)
endif()
if(TARGET quorin-demo-portal AND QUORIN_DEMO_PORT AND QUORIN_PORTAL_BASE MATCHES "^http://127\\.0\\.0\\.1:")
  foreach(mode IN LISTS _upgrade_modes)
    add_test(NAME e2e.upgrade_${mode}
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e-upgrade.sh ${mode} $<TARGET_FILE:quorin>
              $<TARGET_FILE:quorin-demo-portal> $<TARGET_FILE:x11-close-window>
              ${QUORIN_DEMO_PORT} ${CMAKE_CURRENT_BINARY_DIR}/e2e-upgrade-${mode})
    set_tests_properties(e2e.upgrade_${mode} PROPERTIES RESOURCE_LOCK demo_port TIMEOUT 180)
  endforeach()
  # The same offer under a desktop language that writes "," for the decimal point: the
  # server's "3.3" must still read as 3.3. comma_locale_tests fails when that locale is
  # missing, so this run cannot pass unnoticed without it.
  if("accept" IN_LIST _upgrade_modes)
    add_test(NAME e2e.upgrade_accept_de_DE
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e-upgrade.sh accept $<TARGET_FILE:quorin>
              $<TARGET_FILE:quorin-demo-portal> $<TARGET_FILE:x11-close-window>
              ${QUORIN_DEMO_PORT} ${CMAKE_CURRENT_BINARY_DIR}/e2e-upgrade-accept-de_DE)
    set_tests_properties(e2e.upgrade_accept_de_DE PROPERTIES RESOURCE_LOCK demo_port TIMEOUT 180
      ENVIRONMENT "LANG=de_DE.UTF-8;LC_ALL=de_DE.UTF-8")
  endif()
endif()

if(TARGET quorin-demo-portal AND QUORIN_DEMO_PORT AND QUORIN_PORTAL_BASE MATCHES "^http://127\\.0\\.0\\.1:")
  add_test(NAME e2e.views
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/e2e-views.sh $<TARGET_FILE:quorin>
            $<TARGET_FILE:quorin-demo-portal> $<TARGET_FILE:x11-close-window>
            ${QUORIN_DEMO_PORT} ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(e2e.views PROPERTIES RESOURCE_LOCK demo_port TIMEOUT 180)
endif()
