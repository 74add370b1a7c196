// What the fuzz targets share: a scratch folder of their own, whole-file
// reads and writes, and the check that ends a run when something that must
// always hold does not.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

namespace tovask::fuzz {

// Prints what did not hold and aborts, which libFuzzer reports as a crash
// and keeps the input of.
[[noreturn]] inline void Broken(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "%s:%d: does not hold: %s\n", file, line, what.c_str());
  std::abort();
}

#define FUZZ_CHECK(condition, what)                                       \
  do {                                                                    \
    if (!(condition)) ::tovask::fuzz::Broken(__FILE__, __LINE__, (what)); \
  } while (false)

// One folder under TMPDIR (else /tmp) for the whole process, removed at exit.
inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tovask-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDir(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return dir;
}

inline std::string ScratchFile(const std::string& name) { return (ScratchDir() / name).string(); }

inline std::string ReadWhole(const std::string& path) {
  std::string content;
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return content;
  content.resize(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  content.resize(static_cast<std::size_t>(in.gcount()));
  return content;
}

inline void WriteWhole(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out.flush()) Broken(__FILE__, __LINE__, "cannot write " + path);
}

inline bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Removes a profile file with the side files a session left (a closed
// profile has none worth keeping).
inline void RemoveProfile(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
}

// Puts a profile file back to `bytes`.
inline void RestoreProfile(const std::string& path, std::string_view bytes) {
  RemoveProfile(path);
  WriteWhole(path, bytes);
}

// A profile file put back to its template before each input, and only when
// the input changed it: most inputs are refused before the profile is
// opened, and rewriting it every time would cost more than they do.
class TemplateProfile {
 public:
  TemplateProfile(std::string path, std::string bytes)
      : path_(std::move(path)), bytes_(std::move(bytes)) {
    RestoreProfile(path_, bytes_);
    signature_ = Signature();
  }

  const std::string& path() const { return path_; }

  // Puts the template back unless the file still holds it.
  void Reset() {
    if (Untouched()) return;
    RestoreProfile(path_, bytes_);
    signature_ = Signature();
  }

  // True when the file holds the template's bytes and no write-ahead log
  // holds more. An unchanged size, modification time and inode say so
  // without reading the file.
  bool Untouched() {
    if (Exists(path_ + "-wal")) return false;
    if (Signature() == signature_) return true;
    if (ReadWhole(path_) != bytes_) return false;
    signature_ = Signature();
    return true;
  }

 private:
  struct FileSignature {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    long seconds = 0, nanoseconds = 0;
    bool operator==(const FileSignature&) const = default;
  };

  FileSignature Signature() const {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) return {};
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec};
  }

  std::string path_;
  std::string bytes_;
  FileSignature signature_;
};

}  // namespace tovask::fuzz
