// What the fuzz targets share: a scratch folder of their own, whole-file
// reads and writes, and the check that ends a run when something that must
// always hold does not.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tovask::fuzz {

// Prints what did not hold and aborts, which libFuzzer reports as a crash
// and keeps the input of.
[[noreturn]] inline void Broken(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "%s:%d: does not hold: %s\n", file, line, what.c_str());
  std::abort();
}

#define FUZZ_CHECK(condition, what)                                                \
  do {                                                                             \
    if (!(condition)) ::tovask::fuzz::Broken(__FILE__, __LINE__, (what));          \
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
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

}  // namespace tovask::fuzz
