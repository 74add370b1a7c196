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
// Usage: import_bench [--contacts N] [--dir DIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "contacts_profile.h"
#include "import/contact_document.h"
#include "import/contact_field_reader.h"
#include "import/slot_merges.h"
#include "main/value.h"
#include "main/xml_writer.h"
#include "outlook/outlook.h"
#include "outlook/profile_generator.h"

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

// Runs the program, from process start to exit, on a fresh copy of the profile.
Measure RunImport(const std::string& profile, const std::string& dir, const std::string& input,
                  bool deleteStale) {
  const std::string copy = FreshCopy(profile, dir);
  const std::string feedback = dir + "/feedback.xml";
  std::vector<std::string> arguments = {TOVASK_BINARY, "-i", "0", kContactsPath, input, feedback};
  if (deleteStale) arguments.push_back("-d");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child < 0) Fail("fork failed");
  if (child == 0) {
    setenv("TOVASK_PROFILE", copy.c_str(), 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0) Fail("wait4 failed");
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("the import failed on " + input);
  return Measure{seconds, 0, static_cast<double>(usage.ru_maxrss) / 1024.0};
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
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--contacts")
      contacts = std::atoll(argv[i + 1]);
    else if (option == "--dir")
      dir = argv[i + 1];
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

  Case update{RunImport(profiles[0], dir, updates[0], true),
              RunImport(profiles[1], dir, updates[1], true)};
  Case create{RunImport(profiles[0], dir, creates[0], false),
              RunImport(profiles[1], dir, creates[1], false)};
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
    std::printf("%s %lld contacts: %.2f s, %.0f contacts/s (>= 20000), peak %.1f MB (< 100)\n",
                name, static_cast<long long>(contacts), measured.large.seconds,
                static_cast<double>(contacts) / measured.large.seconds,
                measured.large.peakMegabytes);
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
  return 0;
}
