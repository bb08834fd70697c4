// LeakSanitizer (KVR_SANITIZE builds) of the programs that load the library: thread-local
// storage is not scanned for pointers. The Firebird client loads and unloads modules of its own
// while it runs, which leaves stale dynamic-TLS entries behind, and the leak checker's scan of
// them at exit crashes the checker itself. Without that scan a leak can only be reported more
// readily, never hidden (memory reachable from TLS alone would count as leaked). Options given
// in LSAN_OPTIONS still win.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
  return "use_tls=0";
}
