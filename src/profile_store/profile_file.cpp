#include "outlook/profile_file.h"

#include <sys/stat.h>

#include "main/failure.h"
#include "main/output_file.h"
#include "profile_store/profile_schema.h"
#include "profile_store/sqlite_connection.h"

namespace tovask::outlook {

namespace {

constexpr const char* kSideFiles[] = {"-wal", "-shm", "-journal"};

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The folder and the last name of a path.
std::pair<std::string, std::string> Split(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// True when the file is one of the data files attached to the profile.
bool IsAttachedDataFile(const std::string& profile, const struct stat& target) {
  SqliteConnection connection(profile, /*create=*/false);
  CheckProfileSchema(connection);
  if (!HasDataFileTable(connection)) return false;
  Statement paths(connection.db(), "SELECT path FROM data_files");
  while (paths.Step()) {
    std::string attached(paths.Text(0));
    struct stat info {};
    if (stat(attached.c_str(), &info) == 0 && SameFile(target, info)) return true;
  }
  return false;
}

}  // namespace

bool IsProfileFile(const std::string& path) {
  try {
    const std::string profile = DefaultProfilePath();
    struct stat profileInfo {};
    if (stat(profile.c_str(), &profileInfo) != 0) return false;
    struct stat target {};
    if (stat(path.c_str(), &target) == 0) {
      if (SameFile(target, profileInfo)) return true;
      for (const char* side : kSideFiles) {
        struct stat sideInfo {};
        if (stat((profile + side).c_str(), &sideInfo) == 0 && SameFile(target, sideInfo)) {
          return true;
        }
      }
      if (IsAttachedDataFile(profile, target)) return true;
    }
    // A side file made later: the same folder, the profile's name and the
    // side file's ending (the profile's name as given, or what its links
    // lead to).
    auto [folder, name] = Split(FollowSymlinks(path));
    struct stat folderInfo {};
    if (stat(folder.c_str(), &folderInfo) != 0) return false;
    for (const std::string& spelling : {profile, FollowSymlinks(profile)}) {
      auto [profileFolder, profileName] = Split(spelling);
      struct stat profileFolderInfo {};
      if (stat(profileFolder.c_str(), &profileFolderInfo) != 0 ||
          !SameFile(folderInfo, profileFolderInfo)) {
        continue;
      }
      for (const char* side : kSideFiles) {
        if (name == profileName + side) return true;
      }
    }
    return false;
  } catch (const Failure&) {
    // No profile location, or links that cannot be followed: nothing that
    // could be the profile.
    return false;
  }
}

}  // namespace tovask::outlook
