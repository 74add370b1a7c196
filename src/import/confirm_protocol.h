// What passes between tovask and its confirmation dialog program.
//
// tovask writes the display texts to the program's standard input, each
// followed by one NUL byte; the program answers on its standard output with
// one line: "cancel", or "delete " and one digit per text, "1" where the
// entry was left selected and "0" where the user deselected it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/delete_confirmation.h"

namespace tovask {

// The texts as the program reads them. A NUL inside a text (it cannot be
// shown anyway) becomes a blank, so every text arrives as one entry.
std::string EncodeDisplayTexts(const std::vector<std::string>& displayTexts);

// The texts back from what EncodeDisplayTexts wrote; nothing when the input
// does not end with a NUL byte (a sender cut short). An empty input gives no
// texts.
std::optional<std::vector<std::string>> DecodeDisplayTexts(std::string_view input);

// The answer line for a decision: "cancel\n" when it is cancelled, else
// "delete " + the flags + "\n".
std::string EncodeDecision(const DeleteDecision& decision);

// The decision an answer line stands for, asked about `count` texts: the
// answer must be exactly one line as EncodeDecision writes it, with exactly
// `count` flags. Anything else gives nothing.
std::optional<DeleteDecision> DecodeDecision(std::string_view answer, std::size_t count);

}  // namespace tovask
