#include "main/dispatch.h"

#include <limits>
#include <string>

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

void CheckLogSwitch(const ArgumentSource& args, std::int16_t position) {
  if (args.ArgumentCount() != position + 1) return;
  if (!IsFlag(args, position, 'l')) return;
  StartLog(args.NextArgument(static_cast<std::int16_t>(position + 1)));
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

  switch (rule->letter) {
    case 'f': {
      const std::string outputFile = args.NextArgument(2);
      CheckLogSwitch(args, 3);
      operations.listFolders(outputFile);
      break;
    }
    case 'o':
    case 'h': {
      const std::string folderPath = args.NextArgument(3);
      const std::string outputFile = args.NextArgument(4);
      std::int16_t position = 5;
      const bool recursive = IsFlag(args, position, 'r');
      if (recursive) ++position;
      CheckLogSwitch(args, position);
      const auto& operation =
          rule->letter == 'o' ? operations.exportContacts : operations.harvestAddresses;
      operation(since, folderPath, outputFile, recursive);
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
      CheckLogSwitch(args, position);
      operations.importContacts(targetPath, inputFile, feedbackFile, backup, deleteStale,
                                confirmDeletion);
      break;
    }
  }
  return AnyFailureTrapped() ? kExitFailuresTrapped : kExitDone;
}

}  // namespace tovask
