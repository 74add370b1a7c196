#include "import/confirm_protocol.h"

#include <algorithm>

namespace tovask {

namespace {
constexpr std::string_view kCancelLine = "cancel\n";
constexpr std::string_view kDeletePrefix = "delete ";
}  // namespace

std::string EncodeDisplayTexts(const std::vector<std::string>& displayTexts) {
  std::string input;
  for (const std::string& text : displayTexts) {
    std::size_t start = input.size();
    input += text;
    std::replace(input.begin() + static_cast<std::ptrdiff_t>(start), input.end(), '\0', ' ');
    input += '\0';
  }
  return input;
}

std::optional<std::vector<std::string>> DecodeDisplayTexts(std::string_view input) {
  if (!input.empty() && input.back() != '\0') return std::nullopt;
  std::vector<std::string> texts;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\0', start);
    texts.emplace_back(input.substr(start, end - start));
    start = end + 1;
  }
  return texts;
}

std::string EncodeDecision(const DeleteDecision& decision) {
  if (decision.cancelled) return std::string(kCancelLine);
  std::string answer(kDeletePrefix);
  for (bool selected : decision.selected) answer += selected ? '1' : '0';
  answer += '\n';
  return answer;
}

std::optional<DeleteDecision> DecodeDecision(std::string_view answer, std::size_t count) {
  DeleteDecision decision;
  if (answer == kCancelLine) return decision;
  if (!answer.starts_with(kDeletePrefix) || !answer.ends_with('\n')) return std::nullopt;
  std::string_view flags = answer.substr(kDeletePrefix.size());
  flags.remove_suffix(1);
  if (flags.size() != count) return std::nullopt;
  decision.cancelled = false;
  decision.selected.reserve(count);
  for (char flag : flags) {
    if (flag != '0' && flag != '1') return std::nullopt;
    decision.selected.push_back(flag == '1');
  }
  return decision;
}

}  // namespace tovask
