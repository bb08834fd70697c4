// A host that breaks the rule and calls the library from several threads at once: the calls
// are served one after the other, each answers as it would alone, and every export file on
// disk is at any moment absent or whole.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "export_harness.h"
#include "platform/file_system.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

struct Call {
  char code;
  std::vector<host_param> params;
  const char* file;  // written by the call
  const char* text;  // the answer text (UTF-8)
};

class OverlappingCallsTest : public ExportFixture {};

TEST_F(OverlappingCallsTest, EightThreadsAtOnceGetWhatOneThreadGets) {
  UseStation(StationVariant::kFull);
  // Host kind 3 and a long payment list: the catalogue is rebuilt in the creator and the
  // dispatch of every call, the path that broke when calls overlapped.
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("&Вид оплаты " + std::to_string(i));
  Host().answers[23] = AnswerNames(names);
  Host().answers[46] = AnswerInteger(3);
  InitReports();
  const Call calls[] = {
      {'8',
       {Int(1), Int(0), Int(0), Date(DataBegin()), Date(DataEnd())},
       "ExportVidOpl.dbf",
       "ExportVidOpl.dbf"},
      {'6', {Int(5), Int(3)}, "RezEnd.dbf", ""},
      {'8', {Int(3), Int(1), Int(2)}, "ExportTRKInfo.dbf", "ExportTRKInfo.dbf"},
  };
  std::vector<std::string> reference;
  for (const Call& c : calls) {
    RunOk(c.code, c.params, c.text);
    reference.push_back(platform::ReadWholeFile(ExportFile(c.file)));
  }
  ASSERT_EQ(ReadDbf(ExportFile("ExportVidOpl.dbf")).rows.size(), 300u);

  std::atomic<bool> running{true};
  std::atomic<int> whole_seen{0};
  std::thread watcher([&] {
    // A collector polling the directory: a file it finds is the whole file.
    while (running) {
      for (std::size_t i = 0; i < std::size(calls); ++i) {
        const std::string path = ExportFile(calls[i].file);
        std::string bytes;
        try {
          bytes = platform::ReadWholeFile(path);
        } catch (const Exception&) {
          continue;  // between the delete of the old file and the rename of the new one
        }
        EXPECT_EQ(bytes.size(), reference[i].size()) << calls[i].file;
        if (bytes == reference[i]) ++whole_seen;
      }
    }
  });
  constexpr int kThreads = 8;
  constexpr int kCallsPerThread = 6;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; n < kCallsPerThread; ++n) {
        const int which = (t + n) % 4;
        if (which == 3) {
          InitReports();
          continue;
        }
        const Call& c = calls[which];
        const ReportResult r = Run(c.code, c.params);
        if (!r.result || codepage::Cp1251ToUtf8(r.text) != c.text) {
          ++failures;
          ADD_FAILURE() << c.file << ": " << codepage::Cp1251ToUtf8(r.text);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  running = false;
  watcher.join();
  EXPECT_EQ(failures, 0);
  EXPECT_GT(whole_seen, 0) << "the watcher never saw a file";
  for (std::size_t i = 0; i < std::size(calls); ++i)
    EXPECT_EQ(platform::ReadWholeFile(ExportFile(calls[i].file)), reference[i]) << calls[i].file;
}

}  // namespace
}  // namespace kvr::test
