# The demo portal: a local stand-in for the video portal, the file host, the video
# service and the maker's site, so that a fresh build of Quorin has something to show.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)

# The portal signs its installer with the demo key (a DEMO key, protecting nothing), built
# in from the key file beside this one.
file(READ ${CMAKE_CURRENT_LIST_DIR}/demo-update-key.pem QUORIN_DEMO_KEY_PEM)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/demo-update-key.pem)
configure_file(${CMAKE_CURRENT_LIST_DIR}/DemoKey.cpp.in ${CMAKE_CURRENT_BINARY_DIR}/DemoKey.cpp @ONLY)

add_library(quorin_demo STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DemoPortal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DemoSigning.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/DemoKey.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Pages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Gbk.cpp)
target_include_directories(quorin_demo PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorin_demo PUBLIC PkgConfig::CPPHTTPLIB Threads::Threads OpenSSL::Crypto)

add_executable(quorin-demo-portal ${CMAKE_CURRENT_LIST_DIR}/DemoPortalMain.cpp)
target_link_libraries(quorin-demo-portal PRIVATE quorin_demo)
set_target_properties(quorin-demo-portal PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/demo)
