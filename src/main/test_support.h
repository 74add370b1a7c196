// Helpers shared by the unit tests (header-only, never linked into the tool).
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tovask::testing {

// A fresh directory under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tovask-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

// Runs a shell command line and returns its exit status (-1 when it did not
// exit normally).
inline int RunCommand(const std::string& commandLine) {
  int status = std::system(commandLine.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// What a program run through the shell gave back.
struct ProgramOutcome {
  int status;
  std::string out, err;
};

// Runs a shell command line with no input, its standard output and error
// captured through files in `scratch` (a folder of the test's own).
inline ProgramOutcome RunCaptured(const std::string& commandLine,
                                  const std::filesystem::path& scratch) {
  std::string out = (scratch / "captured-out").string(), err = (scratch / "captured-err").string();
  int status = RunCommand("(" + commandLine + ") </dev/null >'" + out + "' 2>'" + err + "'");
  return {status, ReadFile(out), ReadFile(err)};
}

// Quotes a text for /bin/sh.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

// The messages of a log file's entries, without their date, time, type and
// process framing ("2026-12-06 11:31:29 Information tovask[42]: ").
inline std::vector<std::string> LogMessages(const std::string& logText) {
  std::vector<std::string> messages;
  std::istringstream lines(logText);
  std::string line;
  while (std::getline(lines, line)) {
    std::string::size_type end = line.find("]: ");
    messages.push_back(end == std::string::npos ? line : line.substr(end + 3));
  }
  return messages;
}

}  // namespace tovask::testing
