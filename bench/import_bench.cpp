// Import benchmark.
//
// Generates profiles whose Contacts folder holds N + N/100 contacts (N =
// 100,000 and N/10) and two documents per size, then measures, each run of
// the real program in a child process of its own on a fresh copy of the
// profile (process start to exit, peak memory):
//   - update: the document names the first N contacts by EntryID, with -d,
//     so the last N/100 are deleted as stale;
//   - create: the same contacts without EntryID, so N new contacts;
// and the floors at N, each in a child process:
//   - one SAX pass over the same document (the well-formedness check);
//   - the store's saves of as many contacts, one committed transaction each:
//     existing ones for the update, new ones for the create.
// Then, on the profile of N + N/100 contacts:
//   - the system calls of the update under `strace -c -f`, when strace is
//     installed;
//   - the update with -b -d killed (SIGKILL) at K moments drawn from a seeded
//     generator over the time an uninterrupted run takes: the Contacts folder
//     must each time be exactly as before or exactly as after an
//     uninterrupted run (entry identifiers and every field the import
//     writes), and the backup folder absent or complete.
// Usage: import_bench [--contacts N] [--dir DIR] [--kills K] [--seed S]
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "contacts_profile.h"
#include "import/contact_document.h"
#include "import/contact_field_reader.h"
#include "import/slot_merges.h"
#include "main/failure.h"
#include "main/value.h"
#include "main/xml_writer.h"
#include "outlook/outlook.h"
#include "profile_store/profile_generator.h"

namespace {

using Clock = std::chrono::steady_clock;

using Measure = tovask::bench::PhaseMeasure;

const std::string kContactsPath = "\\\\Personal Folders\\Contacts";

void Fail(const std::string& what) {
  std::fprintf(stderr, "import_bench: %s\n", what.c_str());
  std::exit(1);
}

// Every name the import reads, as the peer system would send them.
std::vector<std::string_view> DocumentNames() {
  std::vector<std::string_view> names;
  for (const tovask::ApplyStep& step : tovask::kApplyOrder) {
    if (step.kind != tovask::ApplyKind::kMerge) names.push_back(step.name);
  }
  for (const tovask::SlotFamily* family : {&tovask::kEmailSlots, &tovask::kBusinessPhoneSlots,
                                           &tovask::kHomePhoneSlots, &tovask::kUserFieldSlots}) {
    for (int slot = 0; slot < family->count; ++slot) {
      for (const auto* list : {&family->slots, &family->addressTypes, &family->displayNames}) {
        if (!(*list)[static_cast<std::size_t>(slot)].empty()) {
          names.push_back((*list)[static_cast<std::size_t>(slot)]);
        }
      }
    }
  }
  return names;
}

// The document of the first `count` contacts of the profile, with their
// non-empty fields and, when `withEntryIds`, their identifiers.
void WriteDocument(const std::string& profile, std::int64_t count, bool withEntryIds,
                   const std::string& path) {
  if (std::filesystem::exists(path)) return;
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  auto session = tovask::outlook::CreateSession();
  session->Logon();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  const std::vector<std::string_view> names = DocumentNames();
  tovask::XmlWriter document(path);
  document.StartElement("olcontacts");
  for (std::int32_t index = 1; index <= count; ++index) {
    auto item = items->GetItem(index);
    document.StartElement("contact");
    document.Attribute("id", std::to_string(index));
    if (withEntryIds) document.Attribute("EntryID", item->EntryID());
    for (std::string_view name : names) {
      tovask::Value value = item->GetProperty(name);
      std::string text;
      if (const auto* date = std::get_if<tovask::DateTime>(&value)) {
        if (date->Year() > 1900 && date->Year() < 3000) text = date->ToDateText();
      } else {
        text = tovask::ValueText(value);
      }
      if (!text.empty()) document.CDataElement(name, text);
    }
    document.EndElement();
  }
  document.Save();
}

// A fresh copy of the profile, so every run starts from the same folder.
std::string FreshCopy(const std::string& profile, const std::string& dir) {
  const std::string copy = dir + "/run.db";
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(copy + suffix);
  std::filesystem::copy_file(profile, copy);
  return copy;
}

// Starts the program on the profile `copy`: `prefix` (a command the program
// runs under, or nothing), then the import of `input` with `flags`.
pid_t StartImport(const std::string& copy, const std::string& dir, const std::string& input,
                  const std::vector<std::string>& flags,
                  const std::vector<std::string>& prefix = {}) {
  std::vector<std::string> arguments = prefix;
  for (std::string argument : {std::string(TOVASK_BINARY), std::string("-i"), std::string("0"),
                               kContactsPath, input, dir + "/feedback.xml"}) {
    arguments.push_back(argument);
  }
  arguments.insert(arguments.end(), flags.begin(), flags.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) Fail("fork failed");
  if (child == 0) {
    setenv("TOVASK_PROFILE", copy.c_str(), 1);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

// Runs the program, from process start to exit, on a fresh copy of the profile.
Measure RunImport(const std::string& profile, const std::string& dir, const std::string& input,
                  const std::vector<std::string>& flags,
                  const std::vector<std::string>& prefix = {}) {
  const std::string copy = FreshCopy(profile, dir);
  const auto start = Clock::now();
  const pid_t child = StartImport(copy, dir, input, flags, prefix);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0) Fail("wait4 failed");
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("the import failed on " + input);
  auto cpu = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
  return Measure{seconds, cpu(usage.ru_utime) + cpu(usage.ru_stime),
                 static_cast<double>(usage.ru_maxrss) / 1024.0};
}

// The system calls of the update import under `strace -c -f`: the total,
// and the table strace prints. Empty when strace is not installed.
std::string CountSystemCalls(const std::string& profile, const std::string& dir,
                             const std::string& input, long long& total) {
  total = 0;
  if (std::system("command -v strace >/dev/null 2>&1") != 0) return {};
  const std::string table = dir + "/strace.txt";
  RunImport(profile, dir, input, {"-d"}, {"strace", "-c", "-f", "-o", table});
  std::ifstream in(table);
  std::string text, line;
  while (std::getline(in, line)) {
    text += line + "\n";
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    // "100.00 seconds usecs/call calls [errors] total"
    if (words.size() >= 5 && words.back() == "total") total = std::atoll(words[3].c_str());
  }
  return text;
}

// Entry identifiers and every field the import writes, of each item of the
// folder in order, hashed (FNV-1a); 0 when there is no such folder.
std::uint64_t Fingerprint(const std::string& profile, const std::string& path) {
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  auto session = tovask::outlook::CreateSession(tovask::outlook::SessionMode::kSnapshot);
  session->Logon();
  std::unique_ptr<tovask::outlook::Items> items;
  try {
    items = session->GetFolderFromPath(path)->GetItems();
  } catch (const tovask::Failure&) {
    return 0;
  }
  std::uint64_t hash = 14695981039346656037ull;
  auto add = [&](std::string_view text) {
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    hash = (hash ^ 0xffu) * 1099511628211ull;
  };
  const std::vector<std::string_view> names = DocumentNames();
  for (std::int32_t index = 1; index <= items->Count(); ++index) {
    auto item = items->GetItem(index);
    add(item->EntryID());
    for (std::string_view name : names) add(tovask::ValueText(item->GetProperty(name)));
  }
  return hash;
}

struct KillOutcome {
  int before = 0, after = 0, other = 0;
};

// Kills the import (-b -d) with SIGKILL at `runs` moments drawn with `seed`
// from the time an uninterrupted run takes; after each, the Contacts folder
// must be exactly as before or exactly as after an uninterrupted run, and
// the backup folder absent or complete.
KillOutcome KillRuns(const std::string& profile, const std::string& dir, const std::string& input,
                     int runs, unsigned seed) {
  KillOutcome outcome;
  const std::string backupPath = kContactsPath + " (talvo backup)";
  const std::uint64_t before = Fingerprint(profile, kContactsPath);
  const Measure whole = RunImport(profile, dir, input, {"-b", "-d"});
  const std::string copy = dir + "/run.db";
  const std::uint64_t after = Fingerprint(copy, kContactsPath);
  const std::uint64_t backup = Fingerprint(copy, backupPath);
  if (before == after || backup == 0) Fail("the uninterrupted run changed nothing");
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> moment(0.0, whole.seconds);
  for (int run = 0; run < runs; ++run) {
    const double delay = moment(random);
    FreshCopy(profile, dir);
    const pid_t child = StartImport(copy, dir, input, {"-b", "-d"});
    usleep(static_cast<useconds_t>(delay * 1e6));
    kill(child, SIGKILL);
    int status = 0;
    if (waitpid(child, &status, 0) < 0) Fail("waitpid failed");
    const std::uint64_t folder = Fingerprint(copy, kContactsPath);
    const std::uint64_t backupNow = Fingerprint(copy, backupPath);
    const bool asBefore = folder == before && backupNow == 0;
    const bool asAfter = folder == after && backupNow == backup;
    if (asBefore) ++outcome.before;
    if (asAfter) ++outcome.after;
    if (!asBefore && !asAfter) {
      ++outcome.other;
      std::printf("killed after %.2f s: the folder is neither as before nor as after\n", delay);
    }
  }
  return outcome;
}

Measure InChild(const std::function<void()>& work) {
  return tovask::bench::MeasureInChild("import_bench", work);
}

// Saves `count` contacts with one field set, one committed transaction
// each: the first ones of the folder, or new ones. What every import of as
// many contacts must at least do.
void SaveFloor(const std::string& profile, std::int64_t count, bool newContacts) {
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  auto session = tovask::outlook::CreateSession();
  session->Logon();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  for (std::int32_t index = 1; index <= count; ++index) {
    auto item = newContacts ? items->Add("IPM.Contact") : items->GetItem(index);
    item->SetProperty("Department", std::string("Floor"));
    item->Save();
  }
}

struct Case {
  Measure small, large;
};

}  // namespace

int main(int argc, char** argv) {
  std::int64_t contacts = 100000;
  std::string dir = "/tmp/tovask-import-bench";
  int kills = 20;
  unsigned seed = 14;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--contacts")
      contacts = std::atoll(argv[i + 1]);
    else if (option == "--dir")
      dir = argv[i + 1];
    else if (option == "--kills")
      kills = std::atoi(argv[i + 1]);
    else if (option == "--seed")
      seed = static_cast<unsigned>(std::atoll(argv[i + 1]));
  }
  std::filesystem::create_directories(dir);
  const std::int64_t small = contacts / 10;

  std::string profiles[2], updates[2], creates[2];
  const std::int64_t sizes[2] = {small, contacts};
  for (int i = 0; i < 2; ++i) {
    profiles[i] = tovask::bench::ContactsProfile(dir, sizes[i] + sizes[i] / 100);
    updates[i] = dir + "/update-" + std::to_string(sizes[i]) + ".xml";
    creates[i] = dir + "/create-" + std::to_string(sizes[i]) + ".xml";
    InChild([&] {
      WriteDocument(profiles[i], sizes[i], true, updates[i]);
      WriteDocument(profiles[i], sizes[i], false, creates[i]);
    });
  }

  Case update{RunImport(profiles[0], dir, updates[0], {"-d"}),
              RunImport(profiles[1], dir, updates[1], {"-d"})};
  Case create{RunImport(profiles[0], dir, creates[0], {}),
              RunImport(profiles[1], dir, creates[1], {})};
  const Measure parse = InChild([&] {
    if (tovask::CheckContactDocument(updates[1])) Fail("the document does not parse");
  });
  const Measure updateFloor =
      InChild([&] { SaveFloor(FreshCopy(profiles[1], dir), contacts, false); });
  const Measure createFloor =
      InChild([&] { SaveFloor(FreshCopy(profiles[1], dir), contacts, true); });

  const double megabytes = static_cast<double>(std::filesystem::file_size(updates[1])) / 1e6;
  for (const auto& [name, measured] : {std::pair<const char*, Case&>{"update -d", update},
                                       std::pair<const char*, Case&>{"create", create}}) {
    std::printf(
        "%s %lld contacts: %.2f s (processor %.2f s), %.0f contacts/s (>= 20000), peak %.1f MB "
        "(< 100)\n",
        name, static_cast<long long>(contacts), measured.large.seconds, measured.large.cpuSeconds,
        static_cast<double>(contacts) / measured.large.seconds, measured.large.peakMegabytes);
    std::printf("%s %lld contacts: %.2f s; ratio large/small %.2f (<= 12)\n", name,
                static_cast<long long>(small), measured.small.seconds,
                measured.large.seconds / measured.small.seconds);
  }
  std::printf(
      "floors: one SAX pass over the %.0f MB document %.2f s; %lld saves %.2f s (existing), "
      "%.2f s (new)\n",
      megabytes, parse.seconds, static_cast<long long>(contacts), updateFloor.seconds,
      createFloor.seconds);
  std::printf("import / (SAX pass + saves): update -d %.2f, create %.2f (<= 3)\n",
              update.large.seconds / (parse.seconds + updateFloor.seconds),
              create.large.seconds / (parse.seconds + createFloor.seconds));

  long long calls = 0;
  const std::string table = CountSystemCalls(profiles[1], dir, updates[1], calls);
  if (table.empty()) {
    std::printf("system calls: strace is not installed\n");
  } else {
    std::printf(
        "system calls of update -d %lld contacts (strace -c -f): %lld, %.2f per contact "
        "(<= 3)\n%s",
        static_cast<long long>(contacts), calls,
        static_cast<double>(calls) / static_cast<double>(contacts), table.c_str());
  }
  if (kills > 0) {
    const KillOutcome killed = KillRuns(profiles[1], dir, updates[1], kills, seed);
    std::printf(
        "kill -9 of update -b -d %lld contacts at %d moments (seed %u): %d as before, %d as "
        "after, %d neither (0)\n",
        static_cast<long long>(contacts), kills, seed, killed.before, killed.after, killed.other);
    if (killed.other != 0) return 1;
  }
  return 0;
}
