# readout_bench: what the upgrade window adds to each chunk of a download (two labels,
# the bar and the event pass), on a real window. Run it on an X display (Xvfb).
if(TARGET benchmark::benchmark)
  add_executable(readout_bench ${CMAKE_CURRENT_LIST_DIR}/readout_bench.cpp)
  target_link_libraries(readout_bench PRIVATE quorin_widgets quorin_qt benchmark::benchmark)
  set_target_properties(readout_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                 ${CMAKE_BINARY_DIR}/bench)
endif()
