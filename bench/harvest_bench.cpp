// Address harvest benchmark.
//
// Generates profiles of 100,000 and 1,000,000 mails from 20,000 senders and
// measures, each phase in a child process of its own so that its peak memory
// is its own:
//   - the recursive harvest of the whole mailbox (messages/s, peak memory);
//   - the floor: a bare walk over the same folders and messages through the
//     access interface, reading each message's kind, modification time and
//     sender's address;
//   - the harvest of the smaller profile, for the ratio of the two.
// Each phase runs --repeat times (3); the fastest run counts.
// Usage: harvest_bench [--mails N] [--senders S] [--repeat R] [--dir DIR]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "child_process.h"
#include "harvest/harvest_addresses.h"
#include "main/folder_rules.h"
#include "outlook/outlook.h"
#include "profile_store/profile_generator.h"

namespace {

using Measure = tovask::bench::PhaseMeasure;

Measure InChild(int repeat, const std::function<void()>& work) {
  return tovask::bench::MeasureInChild("harvest_bench", work, repeat);
}

std::string Generate(const std::string& dir, std::int64_t mails, std::int64_t senders) {
  std::string path =
      dir + "/mails-" + std::to_string(mails) + "-" + std::to_string(senders) + ".db";
  if (!std::filesystem::exists(path)) {
    tovask::outlook::GeneratorOptions options;
    options.mails = mails;
    options.senders = senders;
    options.until = tovask::DateTime::Parse("2026-12-01 00:00:00").value();
    tovask::outlook::GenerateProfile(path, options);
  }
  return path;
}

const std::string kMailboxPath = "\\\\Personal Folders";

void HarvestPhase(const std::string& profile, const std::string& output) {
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  tovask::HarvestAddresses(0, kMailboxPath, output, true);
}

// The records of a harvest document.
std::int64_t CountRecords(const std::string& output) {
  std::ifstream in(output, std::ios::binary);
  const std::string document{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::int64_t records = 0;
  for (auto at = document.find("<contact>"); at != std::string::npos;
       at = document.find("<contact>", at + 1)) {
    ++records;
  }
  return records;
}

// What any harvest must at least do: the same folders, and of every item its
// kind, modification time and sender's address. Returns the messages seen.
std::int64_t Walk(tovask::outlook::Folder& folder, std::size_t& sink) {
  if (tovask::IsSkippedFolder(folder.FolderPath())) return 0;
  std::int64_t seen = 0;
  auto subfolders = folder.GetFolders();
  for (std::int32_t i = 1, count = subfolders->Count(); i <= count; ++i) {
    seen += Walk(*subfolders->GetFolder(i), sink);
  }
  if (folder.DefaultItemType() != tovask::outlook::kMailItem) return seen;
  auto items = folder.GetItems();
  for (std::int32_t i = 1, count = items->Count(); i <= count; ++i) {
    auto item = items->GetItem(i);
    sink += item->KindName().size();
    sink += static_cast<std::size_t>(item->LastModificationTime().UnixSeconds() & 1);
    if (auto sender = item->Sender()) sink += sender->Address().size();
    ++seen;
  }
  return seen;
}

void FloorPhase(const std::string& profile) {
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  // The session the harvest itself reads with.
  auto session = tovask::outlook::CreateSession(tovask::outlook::SessionMode::kSnapshot);
  session->Logon();
  std::size_t sink = 0;
  const std::int64_t seen = Walk(*session->GetFolderFromPath(kMailboxPath), sink);
  if (sink == 0 || seen == 0) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t mails = 1000000;
  std::int64_t senders = 20000;
  int repeat = 3;
  std::string dir = "/tmp/tovask-harvest-bench";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--mails")
      mails = std::atoll(argv[i + 1]);
    else if (option == "--senders")
      senders = std::atoll(argv[i + 1]);
    else if (option == "--repeat")
      repeat = std::max(1, std::atoi(argv[i + 1]));
    else if (option == "--dir")
      dir = argv[i + 1];
  }
  std::filesystem::create_directories(dir);
  const std::int64_t small = mails / 10;
  const std::string smallProfile = Generate(dir, small, senders);
  const std::string largeProfile = Generate(dir, mails, senders);
  const std::string output = dir + "/harvest.xml";

  const Measure harvestSmall = InChild(repeat, [&] { HarvestPhase(smallProfile, output); });
  const Measure harvestLarge = InChild(repeat, [&] { HarvestPhase(largeProfile, output); });
  const std::int64_t records = CountRecords(output);
  const Measure floor = InChild(repeat, [&] { FloorPhase(largeProfile); });
  const Measure floorSmall = InChild(repeat, [&] { FloorPhase(smallProfile); });

  std::printf("fastest of %d runs each; wall time (processor time in brackets)\n", repeat);
  std::printf(
      "harvest %lld mails from %lld senders, %lld records: %.3f s (%.3f s), "
      "%.0f messages/s (>= 500000)\n",
      static_cast<long long>(mails), static_cast<long long>(senders),
      static_cast<long long>(records), harvestLarge.seconds, harvestLarge.cpuSeconds,
      mails / harvestLarge.seconds);
  std::printf(
      "floor (the same walk reading kind, modification time, sender address): %.3f s (%.3f s); "
      "harvest/floor %.2f (%.2f) (<= 1.5)\n",
      floor.seconds, floor.cpuSeconds, harvestLarge.seconds / floor.seconds,
      harvestLarge.cpuSeconds / floor.cpuSeconds);
  std::printf("harvest %lld mails: %.3f s (%.3f s); ratio large/small %.2f (<= 12)\n",
              static_cast<long long>(small), harvestSmall.seconds, harvestSmall.cpuSeconds,
              harvestLarge.seconds / harvestSmall.seconds);
  // The store's own memory grows with the messages (a folder's item order,
  // its page cache); what the harvest adds to it is the senders'.
  std::printf(
      "harvest peak memory: %.1f MB at %lld mails (< 64), %.1f MB at %lld; above the floor's "
      "(%.1f MB, %.1f MB): %.1f MB and %.1f MB\n",
      harvestLarge.peakMegabytes, static_cast<long long>(mails), harvestSmall.peakMegabytes,
      static_cast<long long>(small), floor.peakMegabytes, floorSmall.peakMegabytes,
      harvestLarge.peakMegabytes - floor.peakMegabytes,
      harvestSmall.peakMegabytes - floorSmall.peakMegabytes);
  return 0;
}
