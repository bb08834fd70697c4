// LeakSanitizer (KVR_SANITIZE builds): the Firebird client, its embedded engine and the
// libraries they load keep one-time allocations until the process ends; they are not ours to
// free and are not reported. Compiled into every program that uses the test support library.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfbclient.so\nleak:libEngine12.so\nleak:libicuuc.so\nleak:libicui18n.so\n"
         "leak:libtommath.so\nleak:libfbintl.so\nleak:libSrp.so\n";
}
