// Runs the real tovask program: what only the program adds to dispatch, and
// the rules for the files a run writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "main/test_support.h"
#include "profile_store/test_profile.h"

namespace tovask {
namespace {

using testing::ShellQuote;

class MainTest : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out;
    std::string err;
  };

  // Runs tovask with the given (already shell-quoted) arguments inside the
  // work folder; its output is captured outside it, so the work folder shows
  // exactly what the run created.
  Result Run(const std::string& arguments) {
    const std::string out = capture_.File("out");
    const std::string err = capture_.File("err");
    const int status = testing::RunCommand("cd " + ShellQuote(work_.path().string()) + " && " +
                                           ShellQuote(TOVASK_BINARY) + " " + arguments + " >" +
                                           ShellQuote(out) + " 2>" + ShellQuote(err));
    return {status, testing::ReadFile(out), testing::ReadFile(err)};
  }

  testing::TempDir work_;
  testing::TempDir capture_;
};

TEST_F(MainTest, HelpAndVersionExitZero) {
  Result help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* word : {"-f ", "-o ", "-h ", "-i ", "-r", "-b", "-d", "-w", "-l LOGFILE",
                           "--command-line", "--version"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }

  Result version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tovask " TOVASK_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

TEST_F(MainTest, UnusableCommandLinesExitTwoWithOneLineAndNoLog) {
  struct Row {
    std::string arguments;
    const char* inError;
  };
  const Row rows[] = {
      {"", "no operation switch"},
      {"-x out.xml -l run.log", "unknown operation switch"},
      {"--command-line", "--command-line takes exactly one argument"},
      {"--command-line a b", "--command-line takes exactly one argument"},
      // An argument from the shell is taken whole, blanks included.
      {"-o '12 34' folder out.xml -l run.log", "since-value \"12 34\" "},
      // The text is split at blanks outside quotes; the quotes are gone.
      {"--command-line " + ShellQuote(R"(-o "12 34" "\\Store\A B" out.xml -l run.log)"),
       "since-value \"12 34\" "},
      {"--command-line " + ShellQuote(R"(-i 0 "\\Personal Folders\My Contacts" in.xml)"), "got 4"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    Result result = Run(row.arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("tovask: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err.find(row.inError), std::string::npos) << result.err;
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
  }
}

// A profile with one contact, and the program run on it.
class ProgramFilesTest : public MainTest {
 protected:
  static constexpr const char* kExport = "-o 0 '\\\\P\\Contacts' ";

  // Runs tovask in the work folder with its files limited to `fileLimit`
  // bytes, as if the disk were full beyond that; returns the exit status
  // and what it wrote on standard error.
  Result RunLimited(const std::vector<std::string>& arguments, rlim_t fileLimit) {
    const std::string err = capture_.File("err");
    pid_t child = fork();
    if (child == 0) {
      int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (errFd < 0 || dup2(errFd, STDERR_FILENO) < 0 || chdir(work_.path().c_str()) != 0) {
        _exit(127);
      }
      // A write beyond the limit then fails with EFBIG instead of killing.
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{fileLimit, fileLimit};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
      std::vector<char*> argv{const_cast<char*>(TOVASK_BINARY)};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(TOVASK_BINARY, argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", testing::ReadFile(err)};
  }

  std::string Work(const std::string& name) const { return work_.File(name); }

  testing::TestProfile profile_{R"({"stores": [{"name": "P", "root": {"folders": [
      {"name": "Contacts", "type": 2, "items": [
        {"class": "IPM.Contact", "props": {"FullName": "Anna Smith"}}]}]}}]})"};
};

TEST_F(ProgramFilesTest, OutputIntoAFifoThroughALinkAndNeverOverTheProfile) {
  // A FIFO (standing for every device node) is written into, not replaced.
  ASSERT_EQ(mkfifo(Work("out.fifo").c_str(), 0600), 0);
  int reader = open(Work("out.fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Run(std::string(kExport) + "out.fifo").status, 0);
  std::string streamed(4096, '\0');
  streamed.resize(
      static_cast<std::size_t>(std::max<ssize_t>(0, read(reader, streamed.data(), 4096))));
  close(reader);
  EXPECT_NE(streamed.find("Anna Smith"), std::string::npos) << streamed;
  struct stat info {};
  ASSERT_EQ(lstat(Work("out.fifo").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));

  // A link is followed: the file it names is replaced, keeping its mode.
  testing::WriteFile(Work("real.xml"), "old");
  ASSERT_EQ(chmod(Work("real.xml").c_str(), 0600), 0);
  std::filesystem::create_symlink("real.xml", Work("link.xml"));
  EXPECT_EQ(Run(std::string(kExport) + "link.xml -l run.log").status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(Work("link.xml")));
  EXPECT_NE(testing::ReadFile(Work("real.xml")).find("Anna Smith"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(Work("real.xml")).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  // A name as long as a name may be: the temporary name never grows from it.
  const std::string longName(251, 'n');
  EXPECT_EQ(Run(std::string(kExport) + longName + ".xml").status, 0);
  EXPECT_NE(testing::ReadFile(Work(longName + ".xml")).find("Anna Smith"), std::string::npos);

  // The profile itself, by any of its names, is refused before anything is
  // written: one log line, status 1, the profile as it was.
  const std::string before = profile_.Dump();
  std::filesystem::create_symlink(profile_.path(), Work("profile-link"));
  for (const std::string& output :
       {profile_.path(), Work("profile-link"), profile_.path() + "-wal"}) {
    SCOPED_TRACE(output);
    std::filesystem::remove(Work("run.log"));
    Result result = Run(std::string(kExport) + ShellQuote(output) + " -l run.log");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(testing::LogMessages(testing::ReadFile(Work("run.log"))),
              std::vector<std::string>{"Error: tovask, 22 - The file " + output +
                                       " is the Outlook profile itself; nothing is written"});
    EXPECT_EQ(profile_.Dump(), before);
  }
  EXPECT_FALSE(std::filesystem::exists(profile_.path() + "-wal"));
}

TEST_F(ProgramFilesTest, AnExportKilledMidwayLeavesNoFileBehind) {
  // Contacts enough that the export is still running when it is killed.
  testing::TempDir store;
  const std::string profile = store.File("big.db");
  ASSERT_EQ(testing::RunCommand(ShellQuote(TOVASK_STORE_BINARY) + " generate " +
                                ShellQuote(profile) + " --contacts 3000 --mails 1 --senders 1"),
            0);
  // The log is a FIFO read here, so its first entry says the run has begun
  // its document.
  const std::string fifo = capture_.File("run.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  pid_t child = fork();
  if (child == 0) {
    setenv("TOVASK_PROFILE", profile.c_str(), 1);
    const std::string output = Work("out.xml");
    execl(TOVASK_BINARY, "tovask", "-o", "0", "\\\\Personal Folders\\Contacts", output.c_str(),
          "-l", fifo.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string logged;
  for (int polls = 0; logged.find('\n') == std::string::npos && polls < 6000; ++polls) {
    char buffer[256];
    ssize_t got = read(reader, buffer, sizeof buffer);
    if (got > 0) {
      logged.append(buffer, static_cast<std::size_t>(got));
    } else {
      usleep(10 * 1000);  // not begun yet
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(reader);
  ASSERT_NE(logged.find("Connecting to Outlook folder: "), std::string::npos) << logged;
  EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
}

TEST_F(ProgramFilesTest, ALogThatStopsTakingEntriesTurnsOffAndTheDocumentIsStillWritten) {
  // The log already fills the disk: its first entry cannot be written.
  constexpr rlim_t kLimit = 1 << 20;
  testing::WriteFile(Work("run.log"), std::string(kLimit, 'x'));
  Result result = RunLimited({"-o", "0", "\\\\P\\Contacts", "out.xml", "-l", "run.log"}, kLimit);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "tovask: cannot write the log run.log (File too large); the run goes on without it\n");
  EXPECT_NE(testing::ReadFile(Work("out.xml")).find("Anna Smith"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(Work("run.log")), kLimit);
}

}  // namespace
}  // namespace tovask
