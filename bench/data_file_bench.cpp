// Attached Outlook data files benchmark, on the sample files.
//
// The samples are small, so each phase repeats its work many times in one
// child process (its peak memory its own) and reports the rate:
//   - reading every property (128) of every contact of SampleContacts.pst and
//     Outlook_1.pst through the access interface, in one session;
//   - the export of \\Sample\Contacts, each pass a session of its own (opening
//     the file included);
//   - the recursive harvest of the .ost's Inbox (66 messages), each pass a
//     session of its own;
//   - the property reading again at ten times the passes: its peak memory
//     shows whether anything grows with the work done.
// Usage: data_file_bench [--passes N] [--samples DIR] [--dir DIR]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "child_process.h"
#include "export/export_contacts.h"
#include "harvest/harvest_addresses.h"
#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "profile_store/profile_json.h"

namespace {

using tovask::bench::MeasureInChild;
using tovask::bench::PhaseMeasure;

constexpr int kOstInboxMessages = 66;  // Inbox 12, sub1 25, sub2 29

// Reads every property of every contact of the two folders `passes` times;
// returns the contacts read.
long ReadContacts(int passes) {
  auto session = tovask::outlook::CreateSession(tovask::outlook::SessionMode::kSnapshot);
  session->Logon();
  long read = 0;
  for (int pass = 0; pass < passes; ++pass) {
    for (const char* path : {"\\\\Sample\\Contacts", "\\\\Outlook\\Contacts"}) {
      auto items = session->GetFolderFromPath(path)->GetItems();
      for (std::int32_t i = 1; i <= items->Count(); ++i) {
        auto item = items->GetItem(i);
        for (int id = 0; id < tovask::outlook::PropertyCount(); ++id) {
          const auto& info =
              tovask::outlook::PropertyAt(static_cast<tovask::outlook::PropertyId>(id));
          if ((info.scopes & tovask::outlook::kContactScope) != 0) item->GetProperty(info.name);
        }
        ++read;
      }
    }
  }
  return read;
}

void Report(const char* phase, const PhaseMeasure& measure, double units, const char* unit) {
  std::printf("%-58s %8.3f s  %10.0f %s/s  peak %5.1f MB\n", phase, measure.seconds,
              units / measure.seconds, unit, measure.peakMegabytes);
}

}  // namespace

int main(int argc, char** argv) {
  int passes = 200;
  std::string samples = "../shared/testdata/pst";
  std::string dir = std::filesystem::temp_directory_path() / "tovask-data-file-bench";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--passes") == 0) passes = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--samples") == 0) samples = argv[i + 1];
    if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
  }
  samples = std::filesystem::absolute(samples).string();
  if (!std::filesystem::exists(samples + "/SampleContacts.pst")) {
    std::fprintf(stderr, "data_file_bench: no sample files in %s (--samples DIR)\n",
                 samples.c_str());
    return 1;
  }
  std::filesystem::create_directories(dir);
  std::string profile = dir + "/profile.db";
  std::filesystem::remove(profile);
  tovask::outlook::LoadProfile(
      profile, R"({"stores": [{"name": "Sample", "dataFile": ")" + samples +
                   R"(/SampleContacts.pst"}, {"name": "Outlook", "dataFile": ")" + samples +
                   R"(/Outlook_1.pst"}, {"name": "Ost", "dataFile": ")" + samples +
                   R"(/SampleOstFile.ost"}]})");
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  std::string output = dir + "/out.xml";

  long contacts = 0;
  PhaseMeasure read = MeasureInChild(
      "data_file_bench", [&] { contacts = ReadContacts(passes); }, 3);
  Report("read 128 properties of each contact, one session", read, 7.0 * passes, "contacts");
  PhaseMeasure exports = MeasureInChild(
      "data_file_bench",
      [&] {
        for (int pass = 0; pass < passes; ++pass)
          tovask::ExportContacts(0, "\\\\Sample\\Contacts", output, false);
      },
      3);
  Report("export of \\\\Sample\\Contacts, a session per pass", exports, 6.0 * passes, "contacts");
  PhaseMeasure harvest = MeasureInChild(
      "data_file_bench",
      [&] {
        for (int pass = 0; pass < passes; ++pass)
          tovask::HarvestAddresses(0, "\\\\Ost\\Inbox", output, true);
      },
      3);
  Report("harvest of \\\\Ost\\Inbox -r, a session per pass", harvest,
         1.0 * kOstInboxMessages * passes, "messages");
  PhaseMeasure tenfold = MeasureInChild(
      "data_file_bench", [&] { ReadContacts(10 * passes); }, 1);
  Report("read 128 properties, ten times the passes", tenfold, 70.0 * passes, "contacts");
  std::printf("time at 10x / time at 1x: %.1f; peak memory %.1f MB -> %.1f MB\n",
              tenfold.seconds / read.seconds, read.peakMegabytes, tenfold.peakMegabytes);
  return 0;
}
