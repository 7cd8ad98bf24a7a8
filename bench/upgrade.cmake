# upgrade-fetch: the upgrade window fetching a file on the real adapters; upgrade-vs-engine
# compares it with engine-fetch.
add_executable(upgrade-fetch ${CMAKE_CURRENT_LIST_DIR}/upgrade-fetch.cpp)
target_link_libraries(upgrade-fetch PRIVATE quorin_upgrade quorin_qt quorin_curl quorin_posix
  quorin_openssl)
set_target_properties(upgrade-fetch PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
