/* A minimal C host of libKVRExportCreator9.so: loads the library from its plugin directory,
 * hands over a callback, runs the tank remains export (report 6) of shifts FIRST..LAST, and
 * tells success from failure the way every host must (see "Results" in kvr/host_abi.h).
 *
 *   cc export_host.c $(pkg-config --cflags --libs kvrexportcreator9) -o export_host
 *   KVR_ROOT=/var/lib/kvr ./export_host /var/lib/kvr/C/MOLT/DB [LAST FIRST]
 *
 * pkg-config's flags give the program a RUNPATH to the plugin directory, where dlopen finds
 * the library by its name. Built otherwise (CMake: KVRExportCreator9_PLUGIN_DIR), define
 * KVR_PLUGIN_DIR as the directory's path in quotes.
 *
 * Exit status: 0 the export was written, 1 it failed, 2 usage or loading error. */
#define _GNU_SOURCE /* dladdr */
#include <dlfcn.h>
#include <iconv.h>
#include <kvr/host_abi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef KVR_PLUGIN_DIR
#define LIBRARY_PATH KVR_PLUGIN_DIR "/libKVRExportCreator9.so"
#else
#define LIBRARY_PATH "libKVRExportCreator9.so"
#endif

static const char* g_database_dir;

static void answer_query(kvr_variant* answer, int32_t code, int32_t arg) {
  (void)arg;
  switch (code) {
    case 5: kvr_variant_set_utf8(answer, g_database_dir); break; /* database directory */
    case 13: kvr_variant_set_utf8(answer, "\xD0\x90\xD0\x97\xD0\xA1 1"); break; /* "АЗС 1" */
    case 46: kvr_variant_set_i4(answer, 3); break;                              /* host kind */
    default: break; /* left empty: the library's default */
  }
}

/* Prints a Windows-1251 text as UTF-8. */
static void print_text(const char* label, const char* cp1251) {
  char out[4096], *to = out;
  size_t in_left = strlen(cp1251), out_left = sizeof out - 1;
  char* from = (char*)cp1251;
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == (iconv_t)-1) {
    printf("%s%s\n", label, cp1251);
    return;
  }
  iconv(cd, &from, &in_left, &to, &out_left);
  iconv_close(cd);
  *to = '\0';
  printf("%s%s\n", label, out);
}

int main(int argc, char** argv) {
  Dl_info loaded;
  kvr_init_reports_fn init;
  kvr_get_reports_fn get_reports;
  kvr_array* params;
  kvr_variant array;
  char* text = NULL;
  int32_t result;
  int status;
  void* library;

  if (argc != 2 && argc != 4) {
    fprintf(stderr, "usage: %s DATABASE_DIR [LAST_SHIFT FIRST_SHIFT]\n", argv[0]);
    return 2;
  }
  g_database_dir = argv[1];
  /* libCorvane.so is found beside the library; nothing needs LD_LIBRARY_PATH. */
  library = dlopen(LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  init = (kvr_init_reports_fn)dlsym(library, "InitReports");
  get_reports = (kvr_get_reports_fn)dlsym(library, "GetReportsInStringEx");
  if (!init || !get_reports) {
    fprintf(stderr, "not the export library: %s\n", LIBRARY_PATH);
    return 2;
  }
  if (dladdr((void*)get_reports, &loaded) && loaded.dli_fname)
    printf("library %s, header %s\n", loaded.dli_fname, KVR_VERSION_STRING);
  init(NULL, answer_query, NULL);

  /* Report 6: element 0 the last shift, element 1 the first. */
  params = kvr_array_create(0, 2, 0, 0);
  if (!params) return 2;
  kvr_variant_set_i4(kvr_array_at(params, 0, 0), argc == 4 ? atoi(argv[2]) : 6);
  kvr_variant_set_i4(kvr_array_at(params, 1, 0), argc == 4 ? atoi(argv[3]) : 1);
  kvr_variant_init(&array);
  kvr_variant_set_array(&array, params);
  result = get_reports('6', array, &text);
  kvr_variant_clear(&array); /* params stay the caller's */

  if (result &&
      (!text || strncmp(text, KVR_EXPORT_FAILED_PREFIX, strlen(KVR_EXPORT_FAILED_PREFIX)) != 0)) {
    /* Done. Report 8 would give the file name in text; reports 0, 1, 2 and 6 give none. */
    printf("result 1: export written\n");
    status = 0;
  } else if (result) {
    print_text("result 1, the export failed: ", text);
    status = 1;
  } else if (text) {
    print_text("result 0, failed before the export: ", text);
    status = 1;
  } else {
    printf("result 0 without a text: unknown report code\n");
    status = 1;
  }
  free(text);
  dlclose(library);
  return status;
}
