// The arguments of one run, numbered from 1 (argument 1 is the operation
// switch).
//
// Peer systems on Windows hand the tool one command-line text; a POSIX shell
// hands it argv already split. Both end up as an ArgumentSource, so dispatch
// never knows which it got.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovask {

// Splits a command-line text (what follows the program's name) the way the
// peer system builds it:
//  - only the blank (U+0020) separates arguments; tabs and every other
//    character belong to an argument, and blanks between arguments are skipped;
//  - a double quote starts a quoted argument that runs to the next double
//    quote, blanks included; that quote ends it even when a non-blank follows,
//    which then starts the next argument ("a b"c gives `a b` and `c`);
//    "" standing alone is one empty argument;
//  - a quoted argument that is never closed runs to the end of the text;
//  - a plain argument runs to the next blank; a double quote inside it is
//    dropped and opens nothing (ab"c d gives `abc` and `d`);
//  - double quotes are never part of a value; there is no escape for them.
std::vector<std::string> SplitCommandLine(std::string_view text);

class ArgumentSource {
 public:
  // Arguments from a command-line text, split as SplitCommandLine does.
  static ArgumentSource FromText(std::string_view text);
  // Arguments taken as they are, e.g. argv without the program's name.
  static ArgumentSource FromList(std::vector<std::string> arguments);

  // The argument at `position`; empty text when the position is below 1 or
  // beyond ArgumentCount().
  std::string NextArgument(std::int16_t position) const;

  // The number of arguments (at most 32767; arguments past that are not seen).
  std::int16_t ArgumentCount() const;

 private:
  explicit ArgumentSource(std::vector<std::string> arguments);

  std::vector<std::string> arguments_;
};

}  // namespace tovask
