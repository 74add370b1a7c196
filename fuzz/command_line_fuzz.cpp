// Fuzz target: one command-line text, split as the peer system's Windows
// command lines are and run through dispatch with operations that only
// record how they were called.
//
// What must hold for every text:
// - no argument holds a double quote; quoting every argument and joining
//   them with blanks gives a text that splits into the same arguments;
//   the argument source reads exactly the split arguments;
// - the exit status is 0, 1 or 2; status 2 calls no operation and says so in
//   exactly one line "tovask: ..." on the error stream;
// - at most one operation runs, the one argument 1 names, with the
//   arguments at their positions, its flags exactly where the order puts
//   them, and the since-value the digits say;
// - a file of the run that counts as the profile stops the run before the
//   operation (status 1), and the log is on only when the log switch pair
//   stands last, right after the flags.
// Paths with a '/' count as the profile here, so no log is ever opened
// outside the scratch folder (the run's working folder).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "main/case_fold.h"
#include "main/command_line.h"
#include "main/dispatch.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/operations.h"

namespace {

using tovask::ArgumentSource;

struct Call {
  char letter = 0;
  std::int32_t since = 0;
  std::vector<std::string> texts;
  std::vector<bool> flags;
  bool logOn = false;
};

bool IsSpelled(const std::string& text, char letter) {
  return text.size() == 2 && (text[0] == '-' || text[0] == '/') && text[1] == letter;
}

// The since-value as plain digits with an optional sign say it, when it
// fits 32 bits.
std::optional<std::int32_t> DigitsValue(const std::string& text) {
  std::size_t start = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (start == text.size()) return std::nullopt;
  for (std::size_t i = start; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  // Leading zeros do not count towards the size.
  std::size_t first = start;
  while (first + 1 < text.size() && text[first] == '0') ++first;
  if (text.size() - first > 10) return std::nullopt;
  long long value = std::stoll(text.substr(first));
  if (text[0] == '-') value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void CheckSplit(const std::string& text, const std::vector<std::string>& arguments) {
  std::string joined;
  for (const std::string& argument : arguments) {
    FUZZ_CHECK(argument.find('"') == std::string::npos, "an argument holds a double quote");
    joined += (joined.empty() ? "\"" : " \"") + argument + "\"";
  }
  FUZZ_CHECK(tovask::SplitCommandLine(joined) == arguments,
             "quoted and joined arguments split differently");
  const ArgumentSource source = ArgumentSource::FromText(text);
  FUZZ_CHECK(static_cast<std::size_t>(source.ArgumentCount()) == arguments.size(),
             "ArgumentCount differs from the split");
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    FUZZ_CHECK(source.NextArgument(static_cast<std::int16_t>(i + 1)) == arguments[i],
               "NextArgument differs from the split at " + std::to_string(i + 1));
  }
  FUZZ_CHECK(source.NextArgument(0).empty() && source.NextArgument(-1).empty() &&
                 source.NextArgument(static_cast<std::int16_t>(arguments.size() + 1)).empty(),
             "NextArgument outside the arguments is not empty");
}

// What dispatch must have done with `arguments`, checked against what it did.
void CheckDispatch(const std::vector<std::string>& arguments, int status,
                   const std::optional<Call>& call, const std::string& errors,
                   const std::vector<std::string>& checkedFiles) {
  auto argument = [&](std::size_t position) {
    return position >= 1 && position <= arguments.size() ? arguments[position - 1] : std::string();
  };
  const std::size_t count = arguments.size();
  FUZZ_CHECK(status == 0 || status == 1 || status == 2, "status " + std::to_string(status));
  const std::string switchText = tovask::FoldCase(argument(1));
  char letter = 0;
  std::size_t minimum = 0;
  for (auto [candidate, least] : {std::pair{'f', 2}, {'i', 5}, {'o', 4}, {'h', 4}}) {
    if (IsSpelled(switchText, candidate)) {
      letter = candidate;
      minimum = static_cast<std::size_t>(least);
    }
  }
  const bool usable =
      letter != 0 && count >= minimum && (letter == 'f' || DigitsValue(argument(2)).has_value());
  if (!usable) {
    FUZZ_CHECK(status == 2, "an unusable command line gave status " + std::to_string(status));
    FUZZ_CHECK(!call, "an unusable command line called an operation");
    FUZZ_CHECK(errors.rfind("tovask: ", 0) == 0 && errors.find('\n') == errors.size() - 1,
               "an unusable command line did not say so in one line: " + errors);
    FUZZ_CHECK(checkedFiles.empty(), "files checked for an unusable command line");
    return;
  }
  FUZZ_CHECK(status != 2, "a usable command line gave status 2");

  // The operation's positional arguments, its flags and the log position.
  std::vector<std::string> texts;
  std::vector<bool> flags;
  std::size_t position = 0;
  auto flag = [&](char name) {
    const bool found = IsSpelled(argument(position), name);
    if (found) ++position;
    flags.push_back(found);
    return found;
  };
  switch (letter) {
    case 'f':
      texts = {argument(2)};
      position = 3;
      break;
    case 'o':
    case 'h':
      texts = {argument(3), argument(4)};
      position = 5;
      flag('r');
      break;
    case 'i':
      texts = {argument(3), argument(4), argument(5)};
      position = 6;
      flag('b');
      if (flag('d')) {
        flag('w');
      } else {
        flags.push_back(false);
      }
      break;
  }
  const bool logPair = count == position + 1 && IsSpelled(argument(position), 'l');
  std::vector<std::string> files;
  if (logPair) files.push_back(argument(position + 1));
  if (letter == 'i') {
    files.push_back(argument(4));
    files.push_back(argument(5));
  } else {
    files.push_back(texts.back());
  }
  bool refused = false;
  for (const std::string& file : files) {
    if (file.find('/') != std::string::npos) refused = true;
  }
  if (refused) {
    FUZZ_CHECK(status == 1, "a refused file gave status " + std::to_string(status));
    FUZZ_CHECK(!call, "a refused file still ran the operation");
    return;
  }
  FUZZ_CHECK(call.has_value(), "a usable command line called no operation");
  FUZZ_CHECK(status == 0, "a recording operation ended with status " + std::to_string(status));
  FUZZ_CHECK(call->letter == letter, std::string("called -") + call->letter + " for -" + letter);
  FUZZ_CHECK(call->texts == texts, "the operation got other arguments");
  FUZZ_CHECK(call->flags == flags, "the operation got other flags");
  if (letter != 'f') {
    FUZZ_CHECK(call->since == (letter == 'i' ? 0 : *DigitsValue(argument(2))),
               "the operation got another since-value");
  }
  // A log that fails to open (a folder, an empty name) leaves it off.
  if (!logPair) FUZZ_CHECK(!call->logOn, "the log is on without the log switch pair");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> arguments = tovask::SplitCommandLine(text);
  CheckSplit(text, arguments);

  std::optional<Call> call;
  std::vector<std::string> checkedFiles;
  auto record = [&call](char letter, std::int32_t since, std::vector<std::string> texts,
                        std::vector<bool> flags) {
    FUZZ_CHECK(!call, "a second operation ran");
    call = Call{letter, since, std::move(texts), std::move(flags), tovask::LoggingStarted()};
  };
  tovask::Operations operations;
  operations.listFolders = [&](const std::string& output) { record('f', 0, {output}, {}); };
  operations.exportContacts = [&](std::int32_t since, const std::string& folder,
                                  const std::string& output, bool recursive) {
    record('o', since, {folder, output}, {recursive});
  };
  operations.harvestAddresses = [&](std::int32_t since, const std::string& folder,
                                    const std::string& output, bool recursive) {
    record('h', since, {folder, output}, {recursive});
  };
  operations.importContacts = [&](const std::string& target, const std::string& input,
                                  const std::string& feedback, bool backup, bool deleteStale,
                                  bool confirm) {
    record('i', 0, {target, input, feedback}, {backup, deleteStale, confirm});
  };
  operations.isProfileFile = [&checkedFiles](const std::string& path) {
    checkedFiles.push_back(path);
    return path.find('/') != std::string::npos;
  };

  std::ostringstream errors;
  // Logs open in the scratch folder: the run's working folder meanwhile.
  static const int kHome = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (kHome < 0 || ::chdir(tovask::fuzz::ScratchDir().c_str()) != 0) std::abort();
  const int status = tovask::Main(ArgumentSource::FromText(text), operations, errors);
  tovask::ResetLog();
  if (::fchdir(kHome) != 0) std::abort();
  tovask::ResetTrappedFailures();
  CheckDispatch(arguments, status, call, errors.str(), checkedFiles);

  // Logs the run opened go, so the folder stays small over millions of runs.
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(tovask::fuzz::ScratchDir(), ignored))
    std::filesystem::remove_all(entry.path(), ignored);
  return 0;
}
