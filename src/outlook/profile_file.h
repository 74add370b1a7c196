// Whether a path is the profile itself, so that nothing meant for another
// file (a document, a log, an input) is ever written over it.
#pragma once

#include <string>

namespace tovask::outlook {

// True when `path` names the default profile (see CreateSession()) or one of
// the files SQLite keeps beside it ("-wal", "-shm", "-journal"): the same
// file by device and inode, so also through symbolic links, hard links and
// other spellings of the path. A side file that does not exist yet counts by
// its name in the profile's folder, since the profile makes it as soon as it
// is opened. An Outlook data file attached to the profile counts too (by
// device and inode), so that no run writes over one. False when there is no
// profile (none of the locations is set, or the file is missing) and for
// every other path. Never raises.
bool IsProfileFile(const std::string& path);

}  // namespace tovask::outlook
