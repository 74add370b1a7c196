#include "main/dispatch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"

namespace tovask {
namespace {

// Runs Main over operations that only record how they were called.
class DispatchTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetLog();
    ResetTrappedFailures();
  }

  struct Run {
    int status = -1;
    std::string call;  // empty when no operation was called
    bool logOnDuringCall = false;
    std::string errors;
  };

  // Each entry records its letter and arguments, booleans as 1 or 0.
  static Operations Recording(Run& run) {
    auto note = [&run](const char* letter, const auto&... arguments) {
      std::ostringstream call;
      call << letter;
      ((call << ' ' << arguments), ...);
      run.call = call.str();
      run.logOnDuringCall = LoggingStarted();
    };
    Operations operations;
    operations.listFolders = [note](const auto&... arguments) { note("f", arguments...); };
    operations.exportContacts = [note](const auto&... arguments) { note("o", arguments...); };
    operations.harvestAddresses = [note](const auto&... arguments) { note("h", arguments...); };
    operations.importContacts = [note](const auto&... arguments) { note("i", arguments...); };
    return operations;
  }

  // The command line is split as one text; LOG stands for a log file in the
  // test's own folder.
  Run RunMain(std::string text, const std::function<void(Operations&)>& change = {}) {
    if (std::string::size_type at = text.find("LOG"); at != std::string::npos) {
      text.replace(at, 3, LogPath());
    }
    Run run;
    std::ostringstream errors;
    Operations operations = Recording(run);
    if (change) change(operations);
    run.status = Main(ArgumentSource::FromText(text), operations, errors);
    run.errors = errors.str();
    return run;
  }

  std::string LogPath() const { return dir_.File("run.log"); }

  testing::TempDir dir_;
};

TEST_F(DispatchTest, CallsTheRightEntryWithTheRightArguments) {
  struct Row {
    const char* text;
    std::string expectedCall;
    bool expectLog = false;
  };
  const Row rows[] = {
      // Switch spellings: any case, - or /.
      {"-f out.xml", "f out.xml"},
      {"-F out.xml", "f out.xml"},
      {"/O 0 folder out.xml", "o 0 folder out.xml 0"},
      {"-H 5 folder out.xml -r", "h 5 folder out.xml 1"},
      {"/I 0 folder in.xml fb.xml", "i folder in.xml fb.xml 0 0 0"},
      {"-O 0 \"\\\\Personal Folders\\My Contacts\" out.xml",
       "o 0 \\\\Personal Folders\\My Contacts out.xml 0"},
      // Flags are compared exactly.
      {"-o 0 folder out.xml -R", "o 0 folder out.xml 0"},
      {"-o 0 folder out.xml /r", "o 0 folder out.xml 1"},
      {"-h 0 folder out.xml -rr", "h 0 folder out.xml 0"},
      {"-i 0 folder in.xml fb.xml -B -D -W", "i folder in.xml fb.xml 0 0 0"},
      {"-f out.xml -L LOG", "f out.xml"},
      // Arguments beyond those used are ignored.
      {"-f out.xml extra more", "f out.xml"},
      // Import flags in order, each at one position.
      {"-i 0 t in.xml fb.xml -b -d -w", "i t in.xml fb.xml 1 1 1"},
      {"-i 0 t in.xml fb.xml /b /d /w", "i t in.xml fb.xml 1 1 1"},
      {"-i 0 t in.xml fb.xml -d -w", "i t in.xml fb.xml 0 1 1"},
      {"-i 0 t in.xml fb.xml -d -b", "i t in.xml fb.xml 0 1 0"},
      {"-i 0 t in.xml fb.xml -w", "i t in.xml fb.xml 0 0 0"},
      {"-i 0 t in.xml fb.xml -b -w -d", "i t in.xml fb.xml 1 0 0"},
      {"-i 0 t in.xml fb.xml -w -d", "i t in.xml fb.xml 0 0 0"},
      // The log switch pair, only as the last two arguments right after the flags.
      {"-f out.xml -l LOG", "f out.xml", true},
      {"-f out.xml /l LOG", "f out.xml", true},
      {"-f out.xml -l", "f out.xml"},
      {"-f out.xml extra -l LOG", "f out.xml"},
      {"-f out.xml -l LOG extra", "f out.xml"},
      {"-o 0 folder out.xml -l LOG", "o 0 folder out.xml 0", true},
      {"-O 0 folder out.xml -r -l LOG", "o 0 folder out.xml 1", true},
      {"-o 0 folder out.xml -l LOG -r", "o 0 folder out.xml 0"},
      {"-h 0 folder out.xml -R -l LOG", "h 0 folder out.xml 0"},
      {"-i 0 t in.xml fb.xml -b -d -w -l LOG", "i t in.xml fb.xml 1 1 1", true},
      {"-i 0 t in.xml fb.xml -d -l LOG", "i t in.xml fb.xml 0 1 0", true},
      {"-i 0 t in.xml fb.xml -w -l LOG", "i t in.xml fb.xml 0 0 0"},
      // The since-value; the import converts it without using it.
      {"-o 2147483647 f o.xml", "o 2147483647 f o.xml 0"},
      {"-h -2147483648 f o.xml", "h -2147483648 f o.xml 0"},
      {"-i -12 t in.xml fb.xml", "i t in.xml fb.xml 0 0 0"},
  };
  auto check = [this](const char* text, const std::string& expectedCall, bool expectLog) {
    SCOPED_TRACE(text);
    std::filesystem::remove(LogPath());
    Run run = RunMain(text);
    EXPECT_EQ(run.call, expectedCall);
    EXPECT_EQ(run.logOnDuringCall, expectLog);
    EXPECT_EQ(std::filesystem::exists(LogPath()), expectLog);
    if (expectedCall.empty()) {
      EXPECT_EQ(run.status, kExitUnusableCommandLine);
      EXPECT_EQ(run.errors.rfind("tovask: ", 0), 0u) << run.errors;
      EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
    } else {
      EXPECT_EQ(run.status, kExitDone);
      EXPECT_EQ(run.errors, "");
    }
  };
  for (const Row& row : rows) check(row.text, row.expectedCall, row.expectLog);
  // Unusable command lines: nothing runs, no log starts, one line says why.
  for (const char* text :
       {"", "\"\" out.xml -l LOG", "-x out.xml -l LOG", "f out.xml -l LOG", "--f out.xml -l LOG",
        "-fo out.xml -l LOG", "-\nx\r out.xml", "-l LOG", "-f", "-o 0 folder", "-h 0 folder",
        "-i 0 folder in.xml", "-o 2147483648 f o.xml -l LOG", "-i abc t in.xml fb.xml -l LOG"}) {
    check(text, "", false);
  }
}

TEST_F(DispatchTest, ExitStatusAndWhatAnEarlierRunLeavesBehind) {
  Run run = RunMain("-f out.xml", [](Operations& operations) {
    operations.listFolders = [](const std::string&) { NoteTrappedFailure(); };
  });
  EXPECT_EQ(run.status, kExitFailuresTrapped);
  EXPECT_EQ(run.errors, "");
  // A run starts with the log off and no failure noted.
  for (const char* text : {"-f out.xml", "-x"}) {
    SCOPED_TRACE(text);
    StartLog(dir_.File("earlier.log"));
    NoteTrappedFailure();
    run = RunMain(text);
    EXPECT_EQ(run.status, text[1] == 'f' ? kExitDone : kExitUnusableCommandLine);
    EXPECT_FALSE(run.logOnDuringCall);
    EXPECT_FALSE(LoggingStarted());
  }
}

TEST_F(DispatchTest, OperationMissingFromTheBuildIsUnusable) {
  Run run = RunMain("-h 0 f o.xml -l LOG",
                    [](Operations& operations) { operations.harvestAddresses = nullptr; });
  EXPECT_EQ(run.status, kExitUnusableCommandLine);
  EXPECT_EQ(run.errors, "tovask: -h is not available in this build\n");
  EXPECT_FALSE(std::filesystem::exists(LogPath()));
}

TEST_F(DispatchTest, TheProfileIsRefusedAsAnyFileOfTheRun) {
  const std::string refusal =
      "Error: tovask, 22 - The file profile.db is the Outlook profile itself; nothing is written";
  struct Row {
    const char* text;
    std::string expectedCall;  // empty: refused
    std::vector<std::string> logged;
    std::string errors;
  };
  const Row rows[] = {
      {"-f profile.db -l LOG", "", {refusal}, ""},
      {"-o 0 folder profile.db -r -l LOG", "", {refusal}, ""},
      {"-h 0 folder profile.db -l LOG", "", {refusal}, ""},
      {"-i 0 t profile.db fb.xml -l LOG", "", {refusal}, ""},
      {"-i 0 t in.xml profile.db -b -l LOG", "", {refusal}, ""},
      {"-o 0 folder profile.db", "", {}, ""},  // refused all the same, unlogged
      // A folder path is no file.
      {"-o 0 profile.db out.xml", "o 0 profile.db out.xml 0", {}, ""},
      {"-f out.xml -l profile.db",
       "",
       {},
       "tovask: the log file profile.db is the Outlook profile itself; nothing is written\n"},
      {"-f out.xml -l LOG", "f out.xml", {}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::filesystem::remove(LogPath());
    Run run = RunMain(row.text, [](Operations& operations) {
      operations.isProfileFile = [](const std::string& path) { return path == "profile.db"; };
    });
    EXPECT_EQ(run.call, row.expectedCall);
    EXPECT_EQ(run.status, row.expectedCall.empty() ? kExitFailuresTrapped : kExitDone);
    EXPECT_EQ(run.errors, row.errors);
    EXPECT_EQ(testing::LogMessages(testing::ReadFile(LogPath())), row.logged);
  }
}

TEST_F(DispatchTest, WhateverEscapesTheOperationEndsTheRunWithOneLineEach) {
  const std::pair<std::function<void()>, std::string> rows[] = {
      {[] { throw std::bad_alloc(); }, "std::bad_alloc"},
      {[] { throw Failure("ProfileStore", 5, "gone"); }, "ProfileStore, 5 - gone"},
      {[] { throw 42; }, "an unknown failure"},
  };
  for (const auto& [escape, what] : rows) {
    SCOPED_TRACE(what);
    std::filesystem::remove(LogPath());
    Run run = RunMain("-o 0 folder out.xml -l LOG", [&escape](Operations& operations) {
      operations.exportContacts = [&escape](auto&&...) { escape(); };
    });
    EXPECT_EQ(run.status, kExitFailuresTrapped);
    EXPECT_EQ(run.errors, "tovask: the run ended early: " + what + "\n");
    EXPECT_EQ(testing::LogMessages(testing::ReadFile(LogPath())),
              std::vector<std::string>{"Error: " + what});
  }
}

TEST_F(DispatchTest, AFifoLogWhoseReaderLeavesDoesNotEndTheRun) {
  const std::string fifo = dir_.File("run.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  bool finished = false;
  Run run = RunMain("-f out.xml -l " + fifo, [&](Operations& operations) {
    operations.listFolders = [&](const std::string&) {
      Log([] { return std::string("Connected to Outlook"); });
      close(reader);
      Log([] { return std::string("Saving to file: out.xml"); });
      finished = true;
    };
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(run.status, kExitFailuresTrapped);
  EXPECT_EQ(run.errors, "tovask: cannot write the log " + fifo +
                            " (Broken pipe); the run goes on without it\n");
}

TEST(ParseSinceValueTest, AcceptsOnlySignAndDecimalDigitsIn32Bits) {
  EXPECT_EQ(ParseSinceValue("0"), 0);
  EXPECT_EQ(ParseSinceValue("-0"), 0);
  EXPECT_EQ(ParseSinceValue("+5"), 5);
  EXPECT_EQ(ParseSinceValue("2147483647"), 2147483647);
  EXPECT_EQ(ParseSinceValue("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseSinceValue("00000000000000002147483647"), 2147483647);
  for (const char* text :
       {"2147483648", "-2147483649", "99999999999999999999999", "", "+", "-", "+-5", "--5", "1e3",
        "0x10", "1.0", "1,000", " 5", "5 ", "\t5", "\xD9\xA3" /* an Arabic-Indic digit three */}) {
    EXPECT_EQ(ParseSinceValue(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace tovask
