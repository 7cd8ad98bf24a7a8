# verify-installer: the upgrade's signature check of one file; verify-256m measures it on
# an installer of 256 MiB.
add_executable(verify-installer ${CMAKE_CURRENT_LIST_DIR}/verify-installer.cpp)
target_link_libraries(verify-installer PRIVATE quorin_openssl)
set_target_properties(verify-installer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
