#include "main/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"

namespace tovask {
namespace {

// Runs Main over a table of operations that only record how they were called.
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

  Operations RecordingOperations(Run& run) {
    Operations operations;
    auto flag = [](bool value) { return value ? " 1" : " 0"; };
    operations.listFolders = [&run](const std::string& outputFile) {
      run.call = "f " + outputFile;
      run.logOnDuringCall = LoggingStarted();
    };
    auto exportOrHarvest = [&run, flag](const char* name) {
      return [&run, flag, name](std::int32_t since, const std::string& folderPath,
                                const std::string& outputFile, bool recursive) {
        run.call = std::string(name) + " " + std::to_string(since) + " " + folderPath + " " +
                   outputFile + flag(recursive);
        run.logOnDuringCall = LoggingStarted();
      };
    };
    operations.exportContacts = exportOrHarvest("o");
    operations.harvestAddresses = exportOrHarvest("h");
    operations.importContacts = [&run, flag](const std::string& targetPath,
                                             const std::string& inputFile,
                                             const std::string& feedbackFile, bool backup,
                                             bool deleteStale, bool confirmDeletion) {
      run.call = "i " + targetPath + " " + inputFile + " " + feedbackFile + flag(backup) +
                 flag(deleteStale) + flag(confirmDeletion);
      run.logOnDuringCall = LoggingStarted();
    };
    return operations;
  }

  // "LOG" in the arguments stands for a log file in the test's own folder.
  Run RunMain(std::vector<std::string> arguments) {
    for (std::string& argument : arguments) {
      if (argument == "LOG") argument = dir_.File("run.log");
    }
    Run run;
    std::ostringstream errors;
    run.status = Main(ArgumentSource::FromList(arguments), RecordingOperations(run), errors);
    run.errors = errors.str();
    return run;
  }

  bool LogFileExists() const { return std::filesystem::exists(dir_.File("run.log")); }

  testing::TempDir dir_;
};

struct DispatchRow {
  const char* name;
  std::vector<std::string> arguments;
  std::string expectedCall;  // empty: the command line is unusable
  bool expectLog = false;
};

TEST_F(DispatchTest, CallsTheRightEntryWithTheRightArguments) {
  const DispatchRow rows[] = {
      // Switch spellings: any case, - or /.
      {"folder listing", {"-f", "out.xml"}, "f out.xml"},
      {"upper-case -F", {"-F", "out.xml"}, "f out.xml"},
      {"slash /f", {"/f", "out.xml"}, "f out.xml"},
      {"slash upper-case /O", {"/O", "0", "folder", "out.xml"}, "o 0 folder out.xml 0"},
      {"upper-case -H", {"-H", "5", "folder", "out.xml", "-r"}, "h 5 folder out.xml 1"},
      {"slash upper-case /I",
       {"/I", "0", "folder", "in.xml", "fb.xml"},
       "i folder in.xml fb.xml 0 0 0"},
      // Flags are compared exactly.
      {"-R is not a flag", {"-o", "0", "folder", "out.xml", "-R"}, "o 0 folder out.xml 0"},
      {"/r is a flag", {"-o", "0", "folder", "out.xml", "/r"}, "o 0 folder out.xml 1"},
      {"-rr is not a flag", {"-h", "0", "folder", "out.xml", "-rr"}, "h 0 folder out.xml 0"},
      {"-B -D -W are not flags",
       {"-i", "0", "folder", "in.xml", "fb.xml", "-B", "-D", "-W"},
       "i folder in.xml fb.xml 0 0 0"},
      {"-L is not the log switch", {"-f", "out.xml", "-L", "LOG"}, "f out.xml"},
      // Minimum counts.
      {"exactly five import arguments",
       {"-i", "0", "folder", "in.xml", "fb.xml"},
       "i folder in.xml fb.xml 0 0 0"},
      {"export with exactly four arguments",
       {"-o", "0", "folder", "out.xml"},
       "o 0 folder out.xml 0"},
      {"arguments beyond those used are ignored", {"-f", "out.xml", "extra", "more"}, "f out.xml"},
      // Import flags in order, each at one position.
      {"all import flags",
       {"-i", "0", "t", "in.xml", "fb.xml", "-b", "-d", "-w"},
       "i t in.xml fb.xml 1 1 1"},
      {"all import flags with slashes",
       {"-i", "0", "t", "in.xml", "fb.xml", "/b", "/d", "/w"},
       "i t in.xml fb.xml 1 1 1"},
      {"-d then -w without backup",
       {"-i", "0", "t", "in.xml", "fb.xml", "-d", "-w"},
       "i t in.xml fb.xml 0 1 1"},
      {"-d before -b sets only deleteStale",
       {"-i", "0", "t", "in.xml", "fb.xml", "-d", "-b"},
       "i t in.xml fb.xml 0 1 0"},
      {"-w without -d is ignored",
       {"-i", "0", "t", "in.xml", "fb.xml", "-w"},
       "i t in.xml fb.xml 0 0 0"},
      {"-b then -w is ignored",
       {"-i", "0", "t", "in.xml", "fb.xml", "-b", "-w", "-d"},
       "i t in.xml fb.xml 1 0 0"},
      {"-w before -d is ignored with what follows",
       {"-i", "0", "t", "in.xml", "fb.xml", "-w", "-d"},
       "i t in.xml fb.xml 0 0 0"},
      // The log switch pair, only as the last two arguments at its one position.
      {"folder listing logged", {"-f", "out.xml", "-l", "LOG"}, "f out.xml", true},
      {"log switch /l", {"-f", "out.xml", "/l", "LOG"}, "f out.xml", true},
      {"log switch without file (count 3)", {"-f", "out.xml", "-l"}, "f out.xml"},
      {"log switch one place too late", {"-f", "out.xml", "extra", "-l", "LOG"}, "f out.xml"},
      {"log switch pair not last", {"-f", "out.xml", "-l", "LOG", "extra"}, "f out.xml"},
      {"export logged",
       {"-o", "0", "folder", "out.xml", "-l", "LOG"},
       "o 0 folder out.xml 0",
       true},
      {"export recursive logged",
       {"-O", "0", "My Folder", "out.xml", "-r", "-l", "LOG"},
       "o 0 My Folder out.xml 1",
       true},
      {"log before -r: no log, not recursive",
       {"-o", "0", "folder", "out.xml", "-l", "LOG", "-r"},
       "o 0 folder out.xml 0"},
      {"log where -r was not found",
       {"-h", "0", "folder", "out.xml", "-R", "-l", "LOG"},
       "h 0 folder out.xml 0"},
      {"import logged",
       {"-i", "0", "t", "in.xml", "fb.xml", "-l", "LOG"},
       "i t in.xml fb.xml 0 0 0",
       true},
      {"import with all flags logged",
       {"-i", "0", "t", "in.xml", "fb.xml", "-b", "-d", "-w", "-l", "LOG"},
       "i t in.xml fb.xml 1 1 1",
       true},
      {"import -d logged",
       {"-i", "0", "t", "in.xml", "fb.xml", "-d", "-l", "LOG"},
       "i t in.xml fb.xml 0 1 0",
       true},
      {"import log after ignored -w",
       {"-i", "0", "t", "in.xml", "fb.xml", "-w", "-l", "LOG"},
       "i t in.xml fb.xml 0 0 0"},
      // The since-value.
      {"largest since-value", {"-o", "2147483647", "f", "o.xml"}, "o 2147483647 f o.xml 0"},
      {"smallest since-value", {"-h", "-2147483648", "f", "o.xml"}, "h -2147483648 f o.xml 0"},
      {"since-value with plus sign", {"-o", "+5", "f", "o.xml"}, "o 5 f o.xml 0"},
      {"since-value with leading zeros", {"-o", "007", "f", "o.xml"}, "o 7 f o.xml 0"},
      {"import converts and drops the since-value",
       {"-i", "-12", "t", "in.xml", "fb.xml"},
       "i t in.xml fb.xml 0 0 0"},
      // Unusable command lines: nothing runs and no log starts.
      {"no arguments", {}, ""},
      {"empty switch", {"", "out.xml", "-l", "LOG"}, ""},
      {"unknown switch", {"-x", "out.xml", "-l", "LOG"}, ""},
      {"switch without its dash", {"f", "out.xml", "-l", "LOG"}, ""},
      {"double-dash switch", {"--f", "out.xml", "-l", "LOG"}, ""},
      {"switch with extra letters", {"-fo", "out.xml", "-l", "LOG"}, ""},
      {"log switch as the operation", {"-l", "LOG"}, ""},
      {"folder listing without output", {"-f"}, ""},
      {"export with three arguments", {"-o", "0", "folder"}, ""},
      {"harvest with three arguments", {"-h", "0", "folder"}, ""},
      {"import with four arguments", {"-i", "0", "folder", "in.xml"}, ""},
      {"since-value too large", {"-o", "2147483648", "f", "o.xml", "-l", "LOG"}, ""},
      {"since-value too small", {"-o", "-2147483649", "f", "o.xml", "-l", "LOG"}, ""},
      {"empty since-value", {"-o", "", "f", "o.xml", "-l", "LOG"}, ""},
      {"since-value in exponent form", {"-h", "1e3", "f", "o.xml", "-l", "LOG"}, ""},
      {"since-value in hex", {"-o", "0x10", "f", "o.xml", "-l", "LOG"}, ""},
      {"since-value with leading blank", {"-o", " 5", "f", "o.xml", "-l", "LOG"}, ""},
      {"since-value with trailing blank", {"-o", "5 ", "f", "o.xml", "-l", "LOG"}, ""},
      {"import with a bad since-value", {"-i", "abc", "t", "in.xml", "fb.xml", "-l", "LOG"}, ""},
  };
  for (const DispatchRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(dir_.File("run.log"));
    Run run = RunMain(row.arguments);
    EXPECT_EQ(run.call, row.expectedCall);
    EXPECT_EQ(run.logOnDuringCall, row.expectLog);
    EXPECT_EQ(LoggingStarted(), row.expectLog);
    EXPECT_EQ(LogFileExists(), row.expectLog);
    if (row.expectedCall.empty()) {
      EXPECT_EQ(run.status, kExitUnusableCommandLine);
      EXPECT_EQ(run.errors.rfind("tovask: ", 0), 0u) << run.errors;
      EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
    } else {
      EXPECT_EQ(run.status, kExitDone);
      EXPECT_EQ(run.errors, "");
    }
  }
}

TEST_F(DispatchTest, QuotedFolderPathFromTextReachesTheOperationWhole) {
  Run run;
  std::ostringstream errors;
  int status =
      Main(ArgumentSource::FromText("-O 0 \"\\\\Personal Folders\\My Contacts\" out.xml -r"),
           RecordingOperations(run), errors);
  EXPECT_EQ(status, kExitDone);
  EXPECT_EQ(run.call, "o 0 \\\\Personal Folders\\My Contacts out.xml 1");
}

TEST_F(DispatchTest, ExitStatusTellsWhetherTheOperationTrappedAFailure) {
  Run run;
  Operations operations = RecordingOperations(run);
  std::ostringstream errors;
  EXPECT_EQ(Main(ArgumentSource::FromList({"-f", "out.xml"}), operations, errors), kExitDone);

  operations.listFolders = [](const std::string&) { NoteTrappedFailure(); };
  EXPECT_EQ(Main(ArgumentSource::FromList({"-f", "out.xml"}), operations, errors),
            kExitFailuresTrapped);

  // A failure trapped before the run (a previous run in the same process)
  // does not count.
  NoteTrappedFailure();
  operations.listFolders = [](const std::string&) {};
  EXPECT_EQ(Main(ArgumentSource::FromList({"-f", "out.xml"}), operations, errors), kExitDone);
  EXPECT_EQ(errors.str(), "");
}

TEST_F(DispatchTest, LogOfAnEarlierRunIsTurnedOffFirst) {
  StartLog(dir_.File("earlier.log"));
  ASSERT_TRUE(LoggingStarted());
  Run run = RunMain({"-f", "out.xml"});
  EXPECT_EQ(run.call, "f out.xml");
  EXPECT_FALSE(run.logOnDuringCall);

  StartLog(dir_.File("earlier.log"));
  run = RunMain({"-x"});
  EXPECT_EQ(run.status, kExitUnusableCommandLine);
  EXPECT_FALSE(LoggingStarted());
}

TEST_F(DispatchTest, OperationMissingFromTheBuildIsUnusable) {
  Run run;
  Operations operations = RecordingOperations(run);
  operations.harvestAddresses = nullptr;
  std::ostringstream errors;
  int status = Main(ArgumentSource::FromList({"-h", "0", "f", "o.xml", "-l", dir_.File("run.log")}),
                    operations, errors);
  EXPECT_EQ(status, kExitUnusableCommandLine);
  EXPECT_EQ(errors.str(), "tovask: -h is not available in this build\n");
  EXPECT_FALSE(LoggingStarted());
  EXPECT_FALSE(LogFileExists());
  // The others still run.
  EXPECT_EQ(Main(ArgumentSource::FromList({"-o", "0", "f", "o.xml"}), operations, errors),
            kExitDone);
  EXPECT_EQ(run.call, "o 0 f o.xml 0");
}

TEST_F(DispatchTest, ErrorLineStaysOneLineWhateverTheSwitchHolds) {
  Run run = RunMain({"-\nx\r"});
  EXPECT_EQ(run.status, kExitUnusableCommandLine);
  EXPECT_EQ(run.errors, "tovask: unknown operation switch \"-?x?\" (try --help)\n");
}

TEST(ParseSinceValueTest, AcceptsOnlySignAndDecimalDigitsIn32Bits) {
  struct Row {
    const char* text;
    std::optional<std::int32_t> expected;
  };
  const Row rows[] = {
      {"0", 0},
      {"-0", 0},
      {"+0", 0},
      {"1700000000", 1700000000},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"+5", 5},
      {"00000000000000002147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"--5", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {"1.0", std::nullopt},
      {"1,000", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"\t5", std::nullopt},
      {"\xD9\xA3", std::nullopt},  // an Arabic-Indic digit three
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseSinceValue(row.text), row.expected) << '"' << row.text << '"';
  }
}

}  // namespace
}  // namespace tovask
