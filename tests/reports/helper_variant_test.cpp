// The helper library present but lacking functions, through the real entry point: kvrhost
// loads a copy of the export library with a reduced helper beside it (where the library looks
// first). Older helpers without the connect functions or without FBCreateDataSetForRead2
// still export; a helper without the password and dataset functions fails every export with
// the system's text naming the first function missing, and writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export_harness.h"
#include "platform/file_system.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;

struct Variant {
  const char* name;
  const char* helper;
  const char* expected;  // in kvrhost's output
  bool writes_file;
};

TEST(HelperVariantTest, EachHelperEndsInItsDocumentedAnswer) {
  PrepareEmbeddedEngine();
  const Variant variants[] = {
      {"connect only", KVR_CORVANE_CONNECT_ONLY,
       "result: false\ntext: Ошибка при формировании экспортного отчета: Функция "
       "\"GetFBPassword\" в библиотеке \"Corvane.dll\" не найдена!",
       false},
      {"without connect", KVR_CORVANE_WITHOUT_CONNECT, "result: true\ntext: \n", true},
      {"without Read2", KVR_CORVANE_WITHOUT_READ2, "result: true\ntext: \n", true},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    TempDir dir("helper-variant");
    const fs::path lib = fs::path(dir.path()) / "lib";
    fs::create_directories(lib);
    fs::copy_file(KVR_LIBRARY_PATH, lib / "libKVRExportCreator9.so");
    fs::copy_file(v.helper, lib / "libCorvane.so");
    const std::string root = dir.File("root");
    fs::create_directories(fs::path(root) / "C/WINDOWS");
    fs::create_directories(fs::path(root) / "C/MOLT/LogFiles");
    const std::string station = dir.File("station");
    CopyTemplateDatabase(TemplateDatabase::kStationFull, station + "/GARVEN.FDB");

    ProcessOptions options;
    options.args = {KVRHOST_PATH,
                    "--library",
                    (lib / "libKVRExportCreator9.so").string(),
                    "--root",
                    root,
                    "--database-dir",
                    station + "/",
                    "6",
                    "5",
                    "3"};
    options.unset_env = {"CORVANE_FB_PORT", "KVR_FB_TIMEOUT", "KVR_LIBRARY"};
    const ProgramResult run = RunProgram(options, std::chrono::seconds(60));
    EXPECT_NE(run.output.find(v.expected), std::string::npos) << run.output;
    EXPECT_EQ(platform::FileExists(root + "/C/MOLT/EXPORT/RezEnd.dbf"), v.writes_file);
  }
}

}  // namespace
}  // namespace kvr::test
