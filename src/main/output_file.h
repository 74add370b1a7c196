// How a saved document reaches its target path.
//
// - A regular file (or none yet) is replaced whole and at once: the bytes go
//   to an unnamed file in the target's folder (O_TMPFILE), which gets a short
//   name there only when it is complete and is then renamed over the target.
//   A run killed before that leaves no file behind. Where the file system
//   has no unnamed files, a named one (".tovask-XXXXXX") is used instead,
//   from the start. An existing target's permission bits (and, where the
//   run may set them, its owner and group) are kept.
// - A symbolic link is followed: the file it points to is replaced (or
//   created, for a link to nothing yet), and the link stays.
// - A FIFO or a character device (a terminal, /dev/stdout) is written into
//   directly; there is nothing to replace. Opening a FIFO waits for its
//   reader.
// - A directory, a block device or a socket is refused.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "main/failure.h"

namespace tovask {

// The path with its last component's symbolic links followed, link by
// link, to what they name (which need not exist). A path that is no link
// comes back as it is. Raises (ELOOP) after 40 links.
std::string FollowSymlinks(const std::string& path);

class OutputFile {
 public:
  // Opens the way to the target. Never raises: a failure is kept, later
  // writes do nothing, and Commit() raises it.
  explicit OutputFile(const std::string& targetPath);
  // Removes a named temporary file that was not committed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Appends the bytes; false once a write has failed (the failure is kept).
  bool Write(std::string_view bytes);

  // Makes the document the target's content: flushes it to the disk and
  // renames it over the target (a stream is just closed). Raises a Failure
  // when any of it fails. A failed rename (or linking) may be retried by
  // calling again; any earlier failure is kept and raised again by every
  // call. Once committed, further calls do nothing.
  void Commit();

  // The first failure that keeps the document from being completed.
  const std::optional<Failure>& failure() const { return failure_; }

 private:
  struct Temporary;
  void Fail(Failure failure);
  void OpenTemporary(const std::string& targetPath);

  std::string target_;  // after following links
  int fd_ = -1;
  bool streaming_ = false;
  std::unique_ptr<Temporary> temporary_;
  std::optional<Failure> failure_;
  bool committed_ = false;
};

}  // namespace tovask
