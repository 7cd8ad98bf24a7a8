# Run by `cmake --install` (and by cpack): writes the desktop entry with the full path of
# the installed bin/quorin link in its Exec key. Expects QUORIN_DESKTOP_TEMPLATE and
# QUORIN_APP_ID.
set(exec "${CMAKE_INSTALL_PREFIX}/bin/quorin")
if(exec MATCHES "[\n\r]")
  message(FATAL_ERROR "An install prefix with a line break cannot go into a desktop entry")
endif()
# Exec quoting: a path with a reserved character goes in double quotes, inside which ",
# `, $ and \ take a backslash; % is doubled. The value is then escaped as any string
# value, so each backslash is written twice.
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" QUORIN_EXEC "${exec}")

# The manifest lists installed paths without DESTDIR, as for every other file.
set(entry "${CMAKE_INSTALL_PREFIX}/share/applications/${QUORIN_APP_ID}.desktop")
message(STATUS "Installing: $ENV{DESTDIR}${entry}")
configure_file("${QUORIN_DESKTOP_TEMPLATE}" "$ENV{DESTDIR}${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
