# Sanitized builds: the runtime's settings in SanitizerHooks.cpp go into every executable.
# The runtime looks them up weakly, and an object of a static library that nothing
# references is never linked, so each executable takes the object itself.
add_library(quorin_sanitizer_hooks OBJECT ${CMAKE_CURRENT_LIST_DIR}/SanitizerHooks.cpp)

function(quorin_add_sanitizer_hooks dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE $<TARGET_OBJECTS:quorin_sanitizer_hooks>)
    endif()
  endforeach()
  get_property(folders DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(folder IN LISTS folders)
    quorin_add_sanitizer_hooks(${folder})
  endforeach()
endfunction()

# Once every folder has declared its executables.
cmake_language(DEFER CALL quorin_add_sanitizer_hooks ${CMAKE_SOURCE_DIR})
