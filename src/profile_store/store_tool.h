// tovask-store: the administration tool of the embedded profile store.
//
//   tovask-store init PROFILE        a new profile with the personal folders
//   tovask-store load PROFILE FILE   replace the profile with a JSON document
//   tovask-store dump PROFILE        the profile as a JSON document
//   tovask-store tree PROFILE        the folder tree with types and item counts
//   tovask-store attach PROFILE FILE [--name NAME]
//                                    attach an Outlook data file as a read-only store
//   tovask-store detach PROFILE NAME remove an attached data file's store
//   tovask-store generate PROFILE --contacts N --mails M --senders S
//                [--seed X] [--until "YYYY-MM-DD HH:MM:SS"]
//
// Each command also takes --help. The commands are callable without the
// command line, so tests and benchmarks use them directly.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tovask::outlook {

inline constexpr int kStoreToolOk = 0;
inline constexpr int kStoreToolError = 2;

// Runs one command line (`args` without the program name). Results and help
// go to `out`; an error is one line "tovask-store: ..." on `err` and exit
// status kStoreToolError. `in` is read by "load PROFILE -".
int RunStoreTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err);

// Creates a profile holding only the personal folders (see
// AddPersonalFolders()). Raises a Failure when the file exists already,
// leaving it untouched, when its folder does not exist (it is not made), or
// when it cannot be written.
void InitProfile(const std::string& profilePath);

// Writes the folder tree of the profile, one folder a line, depth-first in
// the store's order: two blanks of indent per level, then the folder path,
// its default item type by name and its item count, e.g.
//   \\Personal Folders\Contacts  contact  12 items
// Control characters in names are shown as \xHH. A store whose root folder
// cannot be read (an attached data file gone missing) shows one line,
// "\\Name  [failure]", and the other stores follow. The tree is one state of
// the profile, whatever other processes write meanwhile. A fault on a folder
// is shown on that folder's line and the walk goes on; a profile that cannot
// be opened raises (a file that is no profile is left as it was).
void WriteFolderTree(const std::string& profilePath, std::ostream& out);

}  // namespace tovask::outlook
