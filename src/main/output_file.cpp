#include "main/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

namespace tovask {

namespace {

// The most links followed in a row, as the kernel does for a path.
constexpr int kMaxLinks = 40;

// Short on purpose: beside a target whose name is as long as a name can be,
// a temporary name derived from it would be too long.
constexpr char kTemporaryPrefix[] = "/.tovask-";

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Six random letters and digits for a temporary name.
std::string RandomSuffix() {
  static std::mt19937 random{std::random_device{}()};
  constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string suffix;
  for (int i = 0; i < 6; ++i) suffix.push_back(kLetters[pick(random)]);
  return suffix;
}

std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

std::string FollowSymlinks(const std::string& path) {
  std::string at = path;
  for (int links = 0;; ++links) {
    struct stat info {};
    if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
    if (links == kMaxLinks) throw ErrnoFailure("follow the links of " + path, ELOOP);
    std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    ssize_t length = readlink(at.c_str(), buffer.data(), buffer.size());
    if (length < 0) throw ErrnoFailure("read the link " + at, errno);
    std::string link(buffer.data(), static_cast<std::size_t>(length));
    // A relative link is relative to the folder the link is in.
    at = link.starts_with('/') || at.find('/') == std::string::npos
             ? link
             : at.substr(0, at.rfind('/') + 1) + link;
  }
}

struct OutputFile::Temporary {
  std::string folder;
  // The temporary file's path once it has one: from the start for a named
  // one, from Commit() for an unnamed one.
  std::string name;
  bool synced = false;
};

OutputFile::OutputFile(const std::string& targetPath) : target_(targetPath) {
  struct stat info {};
  if (stat(targetPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode)) {
      // Replacing a device node or FIFO with a regular file would take it
      // from everyone who uses it; the document goes into it instead.
      streaming_ = true;
      fd_ = open(targetPath.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
      if (fd_ < 0) Fail(ErrnoFailure("open " + targetPath, errno));
      return;
    }
    Fail(ErrnoFailure(targetPath + " is neither a regular file nor a FIFO or character device",
                      S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
    return;
  }
  try {
    target_ = FollowSymlinks(targetPath);
  } catch (const Failure& failure) {
    Fail(failure);
    return;
  }
  OpenTemporary(targetPath);
}

void OutputFile::OpenTemporary(const std::string& targetPath) {
  temporary_ = std::make_unique<Temporary>();
  temporary_->folder = FolderOf(target_);
  // Linking an unnamed file later goes through /proc; without it the named
  // way is taken from the start.
  fd_ = open(temporary_->folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  struct stat info {};
  if (fd_ >= 0 && stat(DescriptorPath(fd_).c_str(), &info) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (fd_ < 0) {
    std::string name = temporary_->folder + kTemporaryPrefix + "XXXXXX";
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
      Fail(ErrnoFailure("create a temporary file for " + targetPath, errno));
      return;
    }
    temporary_->name = std::move(name);
  }
  mode_t mode = 0;
  struct stat existing {};
  if (stat(target_.c_str(), &existing) == 0) {
    // The owner first: changing it clears set-id bits that the mode below
    // brings back. Only a privileged run may give a file away, so a failure
    // leaves the file the run's own, as any new file is.
    (void)!fchown(fd_, existing.st_uid, existing.st_gid);
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(fd_, mode) != 0) Fail(ErrnoFailure("chmod the temporary file for " + target_, errno));
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (temporary_ && !temporary_->name.empty() && !committed_) {
    ::unlink(temporary_->name.c_str());
  }
}

void OutputFile::Fail(Failure failure) {
  if (!failure_) failure_ = std::move(failure);
}

bool OutputFile::Write(std::string_view bytes) {
  if (failure_ || fd_ < 0) return false;
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t result = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      Fail(ErrnoFailure("write " + target_, errno));
      return false;
    }
    written += static_cast<std::size_t>(result);
  }
  return true;
}

void OutputFile::Commit() {
  if (committed_) return;
  if (failure_) throw *failure_;
  // After a failed fsync or close the data on disk cannot be trusted, so
  // these failures stay: a retry raises them again.
  if (temporary_ && !temporary_->synced) {
    if (::fsync(fd_) != 0) {
      Fail(ErrnoFailure("fsync the temporary file for " + target_, errno));
      throw *failure_;
    }
    temporary_->synced = true;
  }
  if (temporary_ && temporary_->name.empty()) {
    // The unnamed file gets a name only now that it is complete.
    const std::string source = DescriptorPath(fd_);
    for (int attempt = 0; temporary_->name.empty(); ++attempt) {
      std::string name = temporary_->folder + kTemporaryPrefix + RandomSuffix();
      if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temporary_->name = std::move(name);
      } else if (errno != EEXIST || attempt == 100) {
        throw ErrnoFailure("name the temporary file for " + target_, errno);
      }
    }
  }
  if (fd_ >= 0) {
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
      Fail(ErrnoFailure("close " + (streaming_ ? target_ : temporary_->name), errno));
      throw *failure_;
    }
  }
  if (streaming_) {
    committed_ = true;
    return;
  }
  // The complete document replaces the target in one step; a failed rename
  // leaves both files as they were, and a retry tries it again.
  if (std::rename(temporary_->name.c_str(), target_.c_str()) != 0) {
    throw ErrnoFailure("rename " + temporary_->name + " to " + target_, errno);
  }
  committed_ = true;
}

}  // namespace tovask
