#include "main/command_line.h"

#include <limits>
#include <utility>

namespace tovask {

namespace {
constexpr char kBlank = ' ';
constexpr char kQuote = '"';
}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t end = text.size();
  while (true) {
    while (i < end && text[i] == kBlank) ++i;
    if (i == end) break;
    std::string argument;
    if (text[i] == kQuote) {
      ++i;
      while (i < end && text[i] != kQuote) argument += text[i++];
      // The closing quote ends the argument on its own; whatever follows it,
      // blank or not, belongs to the next one. An unclosed quote runs to the end.
      if (i < end) ++i;
    } else {
      for (; i < end && text[i] != kBlank; ++i) {
        if (text[i] != kQuote) argument += text[i];
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

ArgumentSource::ArgumentSource(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)) {}

ArgumentSource ArgumentSource::FromText(std::string_view text) {
  return ArgumentSource(SplitCommandLine(text));
}

ArgumentSource ArgumentSource::FromList(std::vector<std::string> arguments) {
  return ArgumentSource(std::move(arguments));
}

std::string ArgumentSource::NextArgument(std::int16_t position) const {
  if (position < 1 || position > ArgumentCount()) return std::string();
  return arguments_[static_cast<std::size_t>(position) - 1];
}

std::int16_t ArgumentSource::ArgumentCount() const {
  constexpr std::size_t kMaxCount = std::numeric_limits<std::int16_t>::max();
  return static_cast<std::int16_t>(arguments_.size() < kMaxCount ? arguments_.size() : kMaxCount);
}

}  // namespace tovask
