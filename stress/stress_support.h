// What the crash and concurrency harnesses share: the real program run as a
// child process (and killed at a chosen moment), profile copies, a folder's
// contacts as the profile's JSON dump shows them, and the checks of a
// profile file and of a feedback file.
#pragma once

#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tovask::stress {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// A harness that cannot even set up ends with status 2.
[[noreturn]] inline void Fatal(const std::string& what) {
  std::fprintf(stderr, "stress: %s\n", what.c_str());
  std::exit(2);
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush()) Fatal("cannot write " + path);
}

// Starts `arguments` (the program first) with standard output and error
// going to `outputPath`.
inline pid_t Spawn(const std::vector<std::string>& arguments, const std::string& outputPath) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) Fatal("cannot start " + arguments[0]);
  return pid;
}

// The child's exit status; 128 + the signal's number when a signal ended it.
inline int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) Fatal("waitpid failed");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Waits up to `seconds` for the child to end by itself, then kills it with
// SIGKILL. True when it was killed.
inline bool KillAfter(pid_t pid, double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (Clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  ::kill(pid, SIGKILL);
  Wait(pid);
  return true;
}

inline void RemoveProfile(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
}

// A copy of a closed profile at `to`, without side files.
inline void CopyProfile(const std::string& from, const std::string& to) {
  RemoveProfile(to);
  std::filesystem::copy_file(from, to);
}

// "ok" when SQLite finds the file sound; otherwise what it found.
inline std::string IntegrityCheck(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "cannot open " + path;
  }
  sqlite3_busy_timeout(db, 60000);
  std::string result;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK) {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      if (!result.empty()) result += "; ";
      result += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
  } else {
    result = sqlite3_errmsg(db);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return result;
}

// The folder of the dump at `names` below the first store's root; null when
// there is none.
inline const Json* FolderAt(const Json& dump, const std::vector<std::string>& names) {
  const Json* folder = &dump["stores"][0]["root"];
  for (const std::string& name : names) {
    auto children = folder->find("folders");
    if (children == folder->end()) return nullptr;
    const Json* next = nullptr;
    for (const Json& child : *children) {
      if (child["name"] == name) {
        next = &child;
        break;
      }
    }
    if (next == nullptr) return nullptr;
    folder = next;
  }
  return folder;
}

// A folder's contacts: entry identifier -> properties (as JSON text).
using Contacts = std::map<std::string, std::string>;

inline Contacts ContactsOf(const Json* folder) {
  Contacts contacts;
  if (folder == nullptr) return contacts;
  auto items = folder->find("items");
  if (items == folder->end()) return contacts;
  for (const Json& item : *items) {
    if (item["class"] != "IPM.Contact") continue;
    contacts[item["entryId"]] = item.value("props", Json::object()).dump();
  }
  return contacts;
}

// The properties alone, as a multiset: what copies and new contacts are
// compared by, their entry identifiers being new.
inline std::multiset<std::string> PropsOf(const Contacts& contacts) {
  std::multiset<std::string> props;
  for (const auto& [entryId, text] : contacts) props.insert(text);
  return props;
}

// The feedback elements of a whole feedback document (id, EntryID, status);
// nothing when the file is not one.
struct FeedbackElement {
  std::string id, entryId, status;
};

inline std::optional<std::vector<FeedbackElement>> ReadFeedback(const std::string& path) {
  const std::string text = ReadText(path);
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return std::nullopt;
  std::optional<std::vector<FeedbackElement>> elements;
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root != nullptr && xmlStrEqual(root->name, BAD_CAST "mergedcontacts")) {
    elements.emplace();
    for (xmlNode* node = root->children; node != nullptr; node = node->next) {
      auto attribute = [&](const char* name) {
        xmlChar* value = xmlGetProp(node, BAD_CAST name);
        std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
        return text;
      };
      elements->push_back({attribute("id"), attribute("EntryID"), attribute("status")});
    }
  }
  xmlFreeDoc(doc);
  return elements;
}

// Files a run left beside its output that are none of `expected`.
inline std::vector<std::string> StrayFiles(const std::string& dir,
                                           const std::set<std::string>& expected) {
  std::vector<std::string> stray;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (expected.count(name) == 0) stray.push_back(name);
  }
  return stray;
}

// Reads "--name value" pairs over the defaults in `flags`; a name that is
// not one of its keys, or a missing value, ends the harness with `usage`.
inline void ReadFlags(int argc, char** argv, std::map<std::string, std::string>& flags,
                      const std::string& usage) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    auto known = flag.rfind("--", 0) == 0 ? flags.find(flag.substr(2)) : flags.end();
    if (known == flags.end() || i + 1 >= argc) Fatal("usage: " + usage);
    known->second = argv[++i];
  }
}

// Runs a harness in `dir`, or when it is empty in a temporary folder that
// goes afterwards. Returns what `run` returns; 2 when it raised.
inline int RunInFolder(const char* name, std::string dir,
                       const std::function<int(const std::string& dir)>& run) {
  const bool temporary = dir.empty();
  if (temporary) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string("tovask-") + name + "-XXXXXX"))
            .string();
    if (mkdtemp(pattern.data()) == nullptr) Fatal("cannot make a temporary folder");
    dir = pattern;
  } else {
    std::filesystem::create_directories(dir);
  }
  int status = 2;
  try {
    status = run(dir);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s: %s\n", name, failure.what());
  }
  if (temporary) std::filesystem::remove_all(dir);
  return status;
}

// A fixed-seed generator for the harnesses' random choices.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

 private:
  std::uint64_t state_;
};

}  // namespace tovask::stress
