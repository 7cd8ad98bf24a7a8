# engine-fetch (a command-line fetch through the engine) and the file server that
# compare-curl fetches from.
add_executable(engine-fetch ${CMAKE_CURRENT_LIST_DIR}/engine-fetch.cpp)
target_link_libraries(engine-fetch PRIVATE quorin_net quorin_curl quorin_posix)
set_target_properties(engine-fetch PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

add_executable(bench-file-server ${CMAKE_CURRENT_LIST_DIR}/bench-file-server.cpp)
set_target_properties(bench-file-server PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                   ${CMAKE_BINARY_DIR}/bench)
