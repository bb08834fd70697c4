// LeakSanitizer (KVR_SANITIZE builds) of every program that uses the test support library.
//  - Suppressions: the Firebird client, its embedded engine and the libraries they load keep
//    one-time allocations until the process ends; they are not ours to free.
//  - Options: thread-local storage is not scanned for pointers. The Firebird client loads and
//    unloads modules of its own while it runs, which leaves stale dynamic-TLS entries behind,
//    and the checker's scan of them at exit crashes the checker itself. Without that scan a leak
//    can only be reported more readily, never hidden. Options in LSAN_OPTIONS still win.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfbclient.so\nleak:libEngine12.so\nleak:libicuuc.so\nleak:libicui18n.so\n"
         "leak:libtommath.so\nleak:libfbintl.so\nleak:libSrp.so\n";
}

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
  return "use_tls=0";
}
