// Export and folder-listing benchmark.
//
// Generates profiles of 10,000 and 100,000 contacts and measures, each phase
// in a child process of its own so that its peak memory is its own:
//   - the export of the whole Contacts folder (contacts/s, peak memory);
//   - the floor: reading the same contacts' properties from the store plus
//     writing the same number of bytes to a file with plain fwrite;
//   - the listing of a profile with 10,000 folders.
// Usage: export_bench [--contacts N] [--folders N] [--dir DIR]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "child_process.h"
#include "contacts_profile.h"
#include "export/contact_fields.h"
#include "export/export_contacts.h"
#include "folders/list_folders.h"
#include "outlook/outlook.h"
#include "profile_store/profile_builder.h"

namespace {

using Measure = tovask::bench::PhaseMeasure;

Measure InChild(const std::function<void()>& work) {
  return tovask::bench::MeasureInChild("export_bench", work);
}

const std::string kContactsPath = "\\\\Personal Folders\\Contacts";

void ExportPhase(const std::string& profile, const std::string& output) {
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  tovask::ExportContacts(0, kContactsPath, output, false);
}

// Reads every field of every contact, then writes `bytes` bytes with fwrite:
// what any export must at least do.
void FloorPhase(const std::string& profile, const std::string& output, std::uintmax_t bytes) {
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  // The session the export itself reads with.
  auto session = tovask::outlook::CreateSession(tovask::outlook::SessionMode::kSnapshot);
  session->Logon();
  auto items = session->GetFolderFromPath(kContactsPath)->GetItems();
  std::size_t sink = 0;
  for (std::int32_t index = 1, count = items->Count(); index <= count; ++index) {
    auto item = items->GetItem(index);
    sink += item->KindName().size();
    sink += tovask::ValueText(item->GetProperty("LastModificationTime")).size();
    for (const tovask::ContactField& field : tovask::kContactFields) {
      sink += item->GetProperty(field.name).index();
    }
  }
  std::FILE* file = std::fopen(output.c_str(), "wb");
  std::string block(1 << 16, 'x');
  for (std::uintmax_t written = 0; written < bytes; written += block.size()) {
    std::fwrite(block.data(), 1, std::min<std::uintmax_t>(block.size(), bytes - written), file);
  }
  std::fclose(file);
  if (sink == 0) std::abort();
}

std::string FolderProfile(const std::string& dir, int folders) {
  std::string path = dir + "/folders-" + std::to_string(folders) + ".db";
  if (std::filesystem::exists(path)) return path;
  tovask::outlook::ProfileBuilder builder(path);
  std::int64_t root = builder.AddStore("Personal Folders", false, {}, 0, {});
  // 100 top folders of 99 subfolders each, alternating mail and contacts.
  int made = 0;
  for (int top = 0; made < folders; ++top) {
    std::int64_t parent = builder.AddFolder(root, "Folder " + std::to_string(top), 0, {});
    ++made;
    for (int sub = 0; sub < 99 && made < folders; ++sub, ++made) {
      builder.AddFolder(parent, "Sub " + std::to_string(sub), sub % 2 ? 2 : 0, {});
    }
  }
  builder.Commit();
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t contacts = 100000;
  int folders = 10000;
  std::string dir = "/tmp/tovask-export-bench";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--contacts")
      contacts = std::atoll(argv[i + 1]);
    else if (option == "--folders")
      folders = std::atoi(argv[i + 1]);
    else if (option == "--dir")
      dir = argv[i + 1];
  }
  std::filesystem::create_directories(dir);
  std::int64_t small = contacts / 10;

  std::string smallProfile = tovask::bench::ContactsProfile(dir, small);
  std::string largeProfile = tovask::bench::ContactsProfile(dir, contacts);
  std::string output = dir + "/out.xml";

  Measure exportSmall = InChild([&] { ExportPhase(smallProfile, output); });
  Measure exportLarge = InChild([&] { ExportPhase(largeProfile, output); });
  std::uintmax_t bytes = std::filesystem::file_size(output);
  Measure floor = InChild([&] { FloorPhase(largeProfile, dir + "/floor.bin", bytes); });
  std::string folderProfile = FolderProfile(dir, folders);
  Measure listing = InChild([&] {
    setenv("TOVASK_PROFILE", folderProfile.c_str(), 1);
    tovask::ListFolders(dir + "/folders.xml");
  });

  std::printf("export %lld contacts: %.3f s, %.0f contacts/s (>= 50000), %.1f MB document\n",
              static_cast<long long>(contacts), exportLarge.seconds, contacts / exportLarge.seconds,
              bytes / 1e6);
  std::printf("export %lld contacts: %.3f s; ratio large/small %.2f (<= 12)\n",
              static_cast<long long>(small), exportSmall.seconds,
              exportLarge.seconds / exportSmall.seconds);
  std::printf("export peak memory: %.1f MB at %lld contacts (< 64), %.1f MB at %lld\n",
              exportLarge.peakMegabytes, static_cast<long long>(contacts),
              exportSmall.peakMegabytes, static_cast<long long>(small));
  std::printf(
      "floor (read every field + fwrite the same bytes): %.3f s; export/floor %.2f (<= 3)\n",
      floor.seconds, exportLarge.seconds / floor.seconds);
  std::printf("listing %d folders: %.3f s (< 1), peak memory %.1f MB\n", folders, listing.seconds,
              listing.peakMegabytes);
  return 0;
}
