# progress_bench: the cost of one value assignment on the upgrade window's bar, drawn on
# the real Qt surface offscreen.
if(TARGET benchmark::benchmark)
  add_executable(progress_bench ${CMAKE_CURRENT_LIST_DIR}/progress_bench.cpp)
  target_link_libraries(progress_bench PRIVATE quorin_widgets quorin_qt benchmark::benchmark)
  set_target_properties(progress_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${CMAKE_BINARY_DIR}/bench)
endif()
