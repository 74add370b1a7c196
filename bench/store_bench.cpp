// Throughput and memory of the embedded profile store, on a generated profile.
//
//   store_bench [--profile PATH] [--contacts N] [--mails M] [--senders S]
//               [--saves K] [--finds F] [--reuse] [--keep]
//
// Generates a profile (100,000 contacts, 1,000,000 mails by default) unless
// --reuse names one that exists, then runs each phase in a forked child so
// that the child's peak resident size is the phase's own. Each phase prints
// "name: value unit (target)", followed by its peak memory.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"
#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "profile_store/profile_generator.h"

namespace {

using tovask::outlook::Folder;
using tovask::outlook::Item;
using tovask::outlook::Items;

constexpr char kContactsPath[] = "\\\\Personal Folders\\Contacts";
constexpr char kInboxPath[] = "\\\\Personal Folders\\Inbox";

struct Settings {
  std::string profile;
  std::int64_t contacts = 100000;
  std::int64_t mails = 1000000;
  std::int64_t senders = 20000;
  std::int64_t saves = 100000;
  std::int64_t finds = 100000;
  bool reuse = false;
  bool keep = false;
};

class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void Report(const std::string& name, double value, const std::string& unit,
            const std::string& target, int decimals = 0) {
  std::printf("%s: %.*f %s (%s)\n", name.c_str(), decimals, value, unit.c_str(), target.c_str());
  std::fflush(stdout);
}

// The largest private (not file-backed) resident size seen so far, in bytes.
// File-backed pages (the shared libraries, SQLite's shared-memory index of
// the profile) count in ru_maxrss but are the kernel's file cache, not the
// process's own memory. SQLite reads the profile itself without mapping it.
std::int64_t privatePeak = 0;

void SamplePrivateMemory() {
  long sizePages = 0, residentPages = 0, sharedPages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld %ld", &sizePages, &residentPages, &sharedPages) == 3) {
      std::int64_t bytes =
          static_cast<std::int64_t>(residentPages - sharedPages) * sysconf(_SC_PAGESIZE);
      if (bytes > privatePeak) privatePeak = bytes;
    }
    std::fclose(statm);
  }
}

// Samples now and then inside a loop over items.
void SampleEvery(std::int64_t n) {
  if (n % 8192 == 0) SamplePrivateMemory();
}

// Runs `phase` in a child process and reports the child's peak memory; a
// phase that fails prints why and the bench goes on with the next.
void RunPhase(const std::string& name, const std::function<void()>& phase) {
  tovask::bench::ChildResult result = tovask::bench::RunInChild([&] {
    phase();
    SamplePrivateMemory();
    Report(name + " peak private memory", static_cast<double>(privatePeak) / (1024.0 * 1024.0),
           "MB", "< 64; without the mapped profile file");
    return 0.0;
  });
  if (std::isnan(result.value)) std::printf("%s: failed\n", name.c_str());
  Report(name + " peak memory", result.peakMegabytes, "MB", "< 64; ru_maxrss");
}

std::unique_ptr<tovask::outlook::Session> LogOn() {
  std::unique_ptr<tovask::outlook::Session> session = tovask::outlook::CreateSession();
  session->Logon();
  return session;
}

// Calls visit(item) for every item in order, sampling memory as it goes;
// returns how many there were.
template <typename Visit>
std::int32_t VisitItems(Items& items, Visit&& visit) {
  std::int32_t count = items.Count();
  for (std::int32_t i = 1; i <= count; ++i) {
    SampleEvery(i);
    visit(*items.GetItem(i));
  }
  return count;
}

// The same for the folder at `path`, in a session of its own.
template <typename Visit>
std::int32_t VisitFolder(const char* path, Visit&& visit) {
  auto session = LogOn();
  return VisitItems(*session->GetFolderFromPath(path)->GetItems(), visit);
}

std::vector<std::string> ContactPropertyNames() {
  std::vector<std::string> names;
  for (int id = 0; id < tovask::outlook::PropertyCount(); ++id) {
    const auto& info = tovask::outlook::PropertyAt(static_cast<tovask::outlook::PropertyId>(id));
    if (info.scopes & tovask::outlook::kContactScope) names.emplace_back(info.name);
  }
  return names;
}

void GeneratePhase(const Settings& settings) {
  tovask::outlook::GeneratorOptions options;
  options.contacts = settings.contacts;
  options.mails = settings.mails;
  options.senders = settings.senders;
  options.until = tovask::DateTime::Now();
  Stopwatch watch;
  tovask::outlook::GenerateProfile(settings.profile, options);
  double seconds = watch.Seconds();
  Report("generate " + std::to_string(settings.contacts) + " contacts + " +
             std::to_string(settings.mails) + " mails",
         seconds, "s", "well under 60 for 100000 + 1000000", 1);
}

void ReadContactsPhase() {
  std::vector<std::string> names = ContactPropertyNames();
  Stopwatch watch;
  std::int64_t filled = 0;
  std::int32_t count = VisitFolder(kContactsPath, [&](Item& item) {
    for (const std::string& name : names) {
      tovask::Value value = item.GetProperty(name);
      if (const auto* text = std::get_if<std::string>(&value)) filled += text->empty() ? 0 : 1;
    }
  });
  double seconds = watch.Seconds();
  Report("read contacts (" + std::to_string(names.size()) + " properties each, " +
             std::to_string(filled) + " filled texts)",
         count / seconds, "contacts/s", ">= 300000");
}

void SaveContactsPhase(std::int64_t saves) {
  auto session = LogOn();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  std::int32_t count = items->Count();
  std::int64_t done = 0;
  Stopwatch watch;
  for (std::int64_t n = 0; n < saves && count > 0; ++n) {
    SampleEvery(n);
    auto item = items->GetItem(static_cast<std::int32_t>(n % count) + 1);
    item->SetProperty("JobTitle", tovask::Value(std::string("Bench title ") + std::to_string(n)));
    item->Save();
    ++done;
  }
  Report("save contacts (one transaction each)", static_cast<double>(done) / watch.Seconds(),
         "contacts/s", ">= 40000");
}

void FindPhase(std::int64_t finds) {
  auto session = LogOn();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  std::int32_t count = items->Count();
  std::vector<std::string> filters;
  for (std::int32_t i = 1; i <= count; ++i)
    filters.push_back("EntryID = '" + items->GetItem(i)->EntryID() + "'");
  // Look them up out of order, as an import's document does.
  std::vector<std::size_t> order;
  for (std::int64_t n = 0; n < finds && count > 0; ++n) {
    order.push_back(
        static_cast<std::size_t>((static_cast<std::uint64_t>(n) * 2654435761u) % filters.size()));
  }
  std::int64_t found = 0;
  Stopwatch watch;
  for (std::size_t n = 0; n < order.size(); ++n) {
    SampleEvery(static_cast<std::int64_t>(n));
    found += items->Find(filters[order[n]]) != nullptr ? 1 : 0;
  }
  double seconds = watch.Seconds();
  if (found != static_cast<std::int64_t>(order.size()))
    std::printf("find: only %lld found\n", static_cast<long long>(found));
  Report("find by entry id", static_cast<double>(order.size()) / seconds, "finds/s", ">= 200000");
}

void MailsPhase() {
  Stopwatch watch;
  std::int64_t withSender = 0;
  std::int32_t count = VisitFolder(kInboxPath, [&](Item& item) {
    if (item.KindName().empty()) return;
    if (auto sender = item.Sender()) withSender += sender->Address().empty() ? 0 : 1;
    item.LastModificationTime();
  });
  Report("read mails (kind, sender address, modification time; " + std::to_string(withSender) +
             " with a sender)",
         count / watch.Seconds(), "mails/s", ">= 1000000");
}

std::int64_t WalkFolder(Folder& folder) {
  std::int64_t seen = VisitItems(*folder.GetItems(), [](Item& item) {
    item.KindName();
    item.LastModificationTime();
  });
  auto subfolders = folder.GetFolders();
  for (std::int32_t i = 1, count = subfolders->Count(); i <= count; ++i)
    seen += WalkFolder(*subfolders->GetFolder(i));
  return seen;
}

void WalkPhase() {
  Stopwatch watch;
  auto session = LogOn();
  std::int64_t seen = 0;
  for (auto& store : session->Stores()) seen += WalkFolder(*store->RootFolder());
  Report("walk all folders (kind, modification time)", static_cast<double>(seen) / watch.Seconds(),
         "items/s", "peak memory below");
}

bool ParseArgs(int argc, char** argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto number = [&](std::int64_t& target) {
      if (i + 1 >= argc) return false;
      target = std::atoll(argv[++i]);
      return true;
    };
    bool ok = true;
    if (arg == "--profile" && i + 1 < argc)
      settings.profile = argv[++i];
    else if (arg == "--contacts")
      ok = number(settings.contacts);
    else if (arg == "--mails")
      ok = number(settings.mails);
    else if (arg == "--senders")
      ok = number(settings.senders);
    else if (arg == "--saves")
      ok = number(settings.saves);
    else if (arg == "--finds")
      ok = number(settings.finds);
    else if (arg == "--reuse")
      settings.reuse = true;
    else if (arg == "--keep")
      settings.keep = true;
    else
      ok = false;
    if (!ok) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!ParseArgs(argc, argv, settings)) {
    std::cerr << "usage: store_bench [--profile PATH] [--contacts N] [--mails M] [--senders S] "
                 "[--saves K]"
                 " [--finds F] [--reuse] [--keep]\n";
    return 2;
  }
  std::filesystem::path tempDir;
  if (settings.profile.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "store-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      return 1;
    }
    tempDir = pattern;
    settings.profile = (tempDir / "profile.db").string();
  }
  setenv("TOVASK_PROFILE", settings.profile.c_str(), 1);

  if (!(settings.reuse && std::filesystem::exists(settings.profile))) {
    RunPhase("generate", [&] { GeneratePhase(settings); });
  }
  RunPhase("read contacts", ReadContactsPhase);
  RunPhase("find by entry id", [&] { FindPhase(settings.finds); });
  RunPhase("read mails", MailsPhase);
  RunPhase("walk all folders", WalkPhase);
  // Last: it changes the contacts the other phases read.
  RunPhase("save contacts", [&] { SaveContactsPhase(settings.saves); });

  if (!tempDir.empty() && !settings.keep) {
    std::error_code ignored;
    std::filesystem::remove_all(tempDir, ignored);
  } else {
    std::printf("profile kept at %s\n", settings.profile.c_str());
  }
  return 0;
}
