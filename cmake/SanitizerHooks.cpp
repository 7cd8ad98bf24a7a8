// Settings the sanitizer runtime looks up in the executable, built into every program and
// test binary of a sanitized build (QUORIN_SANITIZE) and into nothing else.

// Sanitized builds of a program that embeds the browser engine: the engine is built
// without the sanitizers and frees some of its objects with a sized delete of another
// size. The options still come second to ASAN_OPTIONS.
extern "C" const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}

// The leak check stays on. What the browser engine and the system libraries it starts
// (the desktop bus, fonts, devices) keep until the process ends is theirs: a report
// with a frame in one of these libraries is left out, and only such reports.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6WebEngineCore.so\n"
         "leak:libdbus-1.so\n"
         "leak:libfontconfig.so\n"
         "leak:libudev.so\n";
}

// Libraries stay loaded to the end of a sanitized run. The GL driver is otherwise unloaded
// before the leak check, and what it keeps through its own variables would be reported
// from frames nobody can name any more.
extern "C" int dlclose(void*) {
  return 0;
}
