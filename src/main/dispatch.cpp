#include "main/dispatch.h"

#include <cerrno>
#include <csignal>
#include <exception>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "main/case_fold.h"
#include "main/failure.h"
#include "main/log.h"

namespace tovask {

namespace {

// True when the text is exactly -x or /x for the given lower-case letter.
bool IsSpelled(const std::string& text, char letter) {
  return text.size() == 2 && (text[0] == '-' || text[0] == '/') && text[1] == letter;
}

bool IsFlag(const ArgumentSource& args, std::int16_t position, char letter) {
  return IsSpelled(args.NextArgument(position), letter);
}

// An argument echoed in a message, kept on one line.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    quoted += (byte < 0x20 || byte == 0x7F) ? '?' : c;
  }
  return quoted + "\"";
}

struct SwitchRule {
  char letter;
  std::int16_t minimumCount;
  bool takesSince;
};

// In the order the switch is compared.
constexpr SwitchRule kSwitchRules[] = {
    {'f', 2, false},
    {'i', 5, true},
    {'o', 4, true},
    {'h', 4, true},
};

bool IsWired(const Operations& operations, char letter) {
  switch (letter) {
    case 'f':
      return static_cast<bool>(operations.listFolders);
    case 'i':
      return static_cast<bool>(operations.importContacts);
    case 'o':
      return static_cast<bool>(operations.exportContacts);
    case 'h':
      return static_cast<bool>(operations.harvestAddresses);
  }
  return false;
}

}  // namespace

std::optional<std::string> LogSwitchFile(const ArgumentSource& args, std::int16_t position) {
  if (args.ArgumentCount() != position + 1) return std::nullopt;
  if (!IsFlag(args, position, 'l')) return std::nullopt;
  return args.NextArgument(static_cast<std::int16_t>(position + 1));
}

void CheckLogSwitch(const ArgumentSource& args, std::int16_t position, std::ostream& errors) {
  if (std::optional<std::string> path = LogSwitchFile(args, position)) StartLog(*path, errors);
}

std::optional<std::int32_t> ParseSinceValue(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  // The magnitude stays within 2^31 + 1 before it is checked, so it never
  // overflows however many digits follow.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

int Main(const ArgumentSource& args, const Operations& operations, std::ostream& errors) {
  ResetLog();
  ResetTrappedFailures();
  // A FIFO (as log or output) whose reader went away must fail the write,
  // not kill the run.
  std::signal(SIGPIPE, SIG_IGN);
  auto unusable = [&errors](const std::string& why) {
    errors << "tovask: " << why << '\n';
    return kExitUnusableCommandLine;
  };

  const std::int16_t count = args.ArgumentCount();
  // Only the switch is case-folded.
  const std::string switchText = FoldCase(args.NextArgument(1));
  if (count == 0) return unusable("no operation switch given (try --help)");
  const SwitchRule* rule = nullptr;
  for (const SwitchRule& candidate : kSwitchRules) {
    if (IsSpelled(switchText, candidate.letter)) {
      rule = &candidate;
      break;
    }
  }
  if (rule == nullptr) {
    return unusable("unknown operation switch " + Quoted(args.NextArgument(1)) + " (try --help)");
  }
  if (count < rule->minimumCount) {
    return unusable(switchText + " needs at least " + std::to_string(rule->minimumCount) +
                    " arguments, got " + std::to_string(count) + " (try --help)");
  }
  // The since-value must convert before anything else happens, even for the
  // import, which does not use it.
  std::int32_t since = 0;
  if (rule->takesSince) {
    std::optional<std::int32_t> parsed = ParseSinceValue(args.NextArgument(2));
    if (!parsed) {
      return unusable("since-value " + Quoted(args.NextArgument(2)) +
                      " is not a whole number from -2147483648 to 2147483647");
    }
    since = *parsed;
  }
  if (!IsWired(operations, rule->letter)) {
    return unusable(switchText + " is not available in this build");
  }

  // What the operation is called with, the files it reads or writes, and
  // where the log switch pair may stand.
  std::function<void()> call;
  std::vector<std::string> files;
  std::int16_t logPosition = 0;
  switch (rule->letter) {
    case 'f': {
      const std::string outputFile = args.NextArgument(2);
      logPosition = 3;
      files = {outputFile};
      call = [&operations, outputFile] { operations.listFolders(outputFile); };
      break;
    }
    case 'o':
    case 'h': {
      const std::string folderPath = args.NextArgument(3);
      const std::string outputFile = args.NextArgument(4);
      std::int16_t position = 5;
      const bool recursive = IsFlag(args, position, 'r');
      if (recursive) ++position;
      logPosition = position;
      files = {outputFile};
      const auto& operation =
          rule->letter == 'o' ? operations.exportContacts : operations.harvestAddresses;
      call = [&operation, since, folderPath, outputFile, recursive] {
        operation(since, folderPath, outputFile, recursive);
      };
      break;
    }
    case 'i': {
      const std::string targetPath = args.NextArgument(3);
      const std::string inputFile = args.NextArgument(4);
      const std::string feedbackFile = args.NextArgument(5);
      std::int16_t position = 6;
      const bool backup = IsFlag(args, position, 'b');
      if (backup) ++position;
      const bool deleteStale = IsFlag(args, position, 'd');
      if (deleteStale) ++position;
      // Confirmation is only looked for directly after -d.
      const bool confirmDeletion = deleteStale && IsFlag(args, position, 'w');
      if (confirmDeletion) ++position;
      logPosition = position;
      files = {inputFile, feedbackFile};
      call = [&operations, targetPath, inputFile, feedbackFile, backup, deleteStale,
              confirmDeletion] {
        operations.importContacts(targetPath, inputFile, feedbackFile, backup, deleteStale,
                                  confirmDeletion);
      };
      break;
    }
  }

  auto isProfile = [&operations](const std::string& path) {
    return operations.isProfileFile && operations.isProfileFile(path);
  };
  // A log on the profile would append to it; there is no log to say so in.
  if (std::optional<std::string> log = LogSwitchFile(args, logPosition); log && isProfile(*log)) {
    errors << "tovask: the log file " << *log
           << " is the Outlook profile itself; nothing is written\n";
    return kExitFailuresTrapped;
  }
  CheckLogSwitch(args, logPosition, errors);
  for (const std::string& file : files) {
    if (!isProfile(file)) continue;
    NoteTrappedFailure();
    Log([&] {
      return "Error: " + FailureTail(Failure("tovask", EINVAL,
                                             "The file " + file +
                                                 " is the Outlook profile itself; nothing is "
                                                 "written"));
    });
    return kExitFailuresTrapped;
  }

  try {
    call();
  } catch (...) {
    // Operations trap their own failures; whatever still escapes (memory
    // running out, say) ends the run here, said once in the log and once
    // on the error stream, never as an abort.
    NoteTrappedFailure();
    std::string what = "an unknown failure";
    try {
      throw;
    } catch (const Failure& failure) {
      what = FailureTail(failure);
    } catch (const std::exception& exception) {
      what = exception.what();
    } catch (...) {
    }
    try {
      Log([&] { return "Error: " + what; });
      errors << "tovask: the run ended early: " << what << '\n' << std::flush;
    } catch (...) {
      // With no memory left even that may fail; the exit status still says it.
    }
  }
  return AnyFailureTrapped() ? kExitFailuresTrapped : kExitDone;
}

}  // namespace tovask
