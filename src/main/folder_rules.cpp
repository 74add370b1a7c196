#include "main/folder_rules.h"

#include <unicode/stringoptions.h>
#include <unicode/unistr.h>

#include <array>

#include "main/case_fold.h"

namespace tovask {

namespace {

constexpr std::array<std::string_view, 3> kAlwaysWalkedEndings = {R"(\Inbox)", R"(\Sent Items)",
                                                                  R"(\Contacts)"};

constexpr std::array<std::string_view, 17> kSkippedEndings = {
    R"(\Calendar)",       R"(\Common Views)",      R"(\Content.Filter)", R"(\Deleted Items)",
    R"(\Drafts)",         R"(\Journal)",           R"(\Junk E-mail)",    R"(\Outbox)",
    R"(\RSS Feeds)",      R"(\Reminders)",         R"(\SpamKiller)",     R"(\Sync Issues)",
    R"(\\Freebusy Data)", R"(\\IPM_COMMON_VIEWS)", R"(\\IPM_VIEWS)",     R"(\\Search Root)",
    " (talvo backup)"};

constexpr std::string_view kSearchFolders = R"(\Search Folders)";
constexpr std::string_view kBelowRootMailbox = R"(\Root - Mailbox\)";

icu::UnicodeString ToUnicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

bool ContainsText(std::string_view text, std::string_view part) {
  return FoldCase(text).find(FoldCase(part)) != std::string::npos;
}

template <std::size_t kSize>
bool EndsWithAny(std::string_view text, const std::array<std::string_view, kSize>& endings) {
  for (std::string_view ending : endings) {
    if (EndsWithText(text, ending)) return true;
  }
  return false;
}

}  // namespace

bool EndsWithText(std::string_view text, std::string_view ending) {
  if (IsAscii(text) && IsAscii(ending)) {
    if (ending.size() > text.size()) return false;
    return EqualAsciiFolded(text.substr(text.size() - ending.size()), ending);
  }
  icu::UnicodeString unicodeText = ToUnicode(text);
  icu::UnicodeString unicodeEnding = ToUnicode(ending);
  const int32_t endingChars = unicodeEnding.countChar32();
  if (endingChars > unicodeText.countChar32()) return false;
  const int32_t start = unicodeText.moveIndex32(unicodeText.length(), -endingChars);
  return unicodeText.caseCompare(start, unicodeText.length() - start, unicodeEnding,
                                 U_FOLD_CASE_DEFAULT) == 0;
}

bool IsSkippedFolder(std::string_view folderPath) {
  if (EndsWithAny(folderPath, kAlwaysWalkedEndings)) return false;
  if (EndsWithAny(folderPath, kSkippedEndings)) return true;
  return ContainsText(folderPath, kSearchFolders) || ContainsText(folderPath, kBelowRootMailbox);
}

bool IsListedStore(std::string_view storeName) {
  return storeName != "Public Folders" && storeName != "Archive Folders";
}

}  // namespace tovask
