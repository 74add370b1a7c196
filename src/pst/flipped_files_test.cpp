// Byte-flipped copies of the sample data files, read by the folder listing,
// the export and the harvest through the program's own command-line entry
// (Main with -f, -o and -h), in this (sanitizer) build: no copy may crash,
// hang or end a run with anything but status 0 or 1. tools/flip-bytes.sh
// does the same through the real programs, for any number of copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "main/dispatch.h"
#include "main/operations.h"
#include "main/test_support.h"
#include "profile_store/profile_json.h"
#include "profile_store/test_profile.h"
#include "pst/sample_files.h"

namespace tovask::outlook {
namespace {

using testing::ReadFile;
using testing::SampleFile;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WriteFile;

// TOVASK_FLIP_COUNT and TOVASK_FLIP_SEED choose other copies.
int Setting(const char* name, int otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : otherwise;
}

// Copy `seed` of a sample: 1 to 8 bytes changed at seeded places.
std::string Flipped(std::string bytes, int seed) {
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  int flips = std::uniform_int_distribution<int>(1, 8)(random);
  std::uniform_int_distribution<std::size_t> place(0, bytes.size() - 1);
  std::uniform_int_distribution<int> change(1, 255);
  for (int i = 0; i < flips; ++i) {
    char& byte = bytes[place(random)];
    byte = static_cast<char>(byte ^ change(random));
  }
  return bytes;
}

// Runs copies firstSeed .. firstSeed + count - 1.
void RunFlippedCopies(int firstSeed, int count) {
  std::vector<std::string> samples;
  for (const auto& entry : std::filesystem::directory_iterator(TOVASK_PST_TESTDATA)) {
    std::string extension = entry.path().extension().string();
    if (extension == ".pst" || extension == ".ost") samples.push_back(entry.path().string());
  }
  std::sort(samples.begin(), samples.end());
  ASSERT_FALSE(samples.empty());
  std::vector<std::string> contents;
  for (const std::string& sample : samples) contents.push_back(ReadFile(sample));

  // One profile per sample, its file attached at the place where each copy
  // of that sample goes. A copy whose record key was flipped fails its
  // store's log-on, which is one more damage to go through.
  TempDir dir;
  ScopedEnv profile("TOVASK_PROFILE", nullptr);
  std::vector<std::string> profiles, copies;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    copies.push_back(dir.File("copy" + std::to_string(i) +
                              std::filesystem::path(samples[i]).extension().string()));
    profiles.push_back(dir.File("profile" + std::to_string(i) + ".db"));
    WriteFile(copies[i], contents[i]);
    LoadProfile(profiles[i],
                R"({"stores": [{"name": "Flipped", "dataFile": ")" + copies[i] + R"("}]})");
  }
  const std::string output = dir.File("out.xml");
  for (int seed = firstSeed; seed < firstSeed + count; ++seed) {
    std::size_t which = static_cast<std::size_t>(seed) % samples.size();
    WriteFile(copies[which], Flipped(contents[which], seed));
    profile.Set(profiles[which].c_str());
    const std::vector<std::vector<std::string>> runs = {
        {"-f", output},
        {"-o", "0", "\\\\Flipped", output, "-r"},
        {"-h", "0", "\\\\Flipped", output, "-r"},
    };
    for (const std::vector<std::string>& run : runs) {
      std::ostringstream errors;
      int status = Main(ArgumentSource::FromList(run), DefaultOperations(), errors);
      EXPECT_LE(status, 1) << "seed " << seed << " (" << samples[which] << "), " << run[0] << ": "
                           << errors.str();
    }
  }
}

// 500 copies by default, in two halves that can run side by side.
TEST(FlippedDataFilesTest, NoCopyCrashesHangsOrEndsARunBadlyFirstHalf) {
  TOVASK_SKIP_WITHOUT_SAMPLE_FILES();
  int count = Setting("TOVASK_FLIP_COUNT", 500);
  RunFlippedCopies(Setting("TOVASK_FLIP_SEED", 1), count / 2);
}

TEST(FlippedDataFilesTest, NoCopyCrashesHangsOrEndsARunBadlySecondHalf) {
  TOVASK_SKIP_WITHOUT_SAMPLE_FILES();
  int count = Setting("TOVASK_FLIP_COUNT", 500);
  RunFlippedCopies(Setting("TOVASK_FLIP_SEED", 1) + count / 2, count - count / 2);
}

}  // namespace
}  // namespace tovask::outlook
