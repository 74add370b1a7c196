// For tests: the sample Outlook data files, which live outside the
// repository (TOVASK_PST_TESTDATA, found at build time). Tests that need them
// skip when the folder is absent. Header-only, never linked into the tool.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tovask::testing {

inline std::string SampleFile(const std::string& name) {
  return std::string(TOVASK_PST_TESTDATA) + "/" + name;
}

inline bool HaveSampleFiles() {
  std::error_code ignored;
  return !std::string(TOVASK_PST_TESTDATA).empty() &&
         std::filesystem::exists(SampleFile("SampleContacts.pst"), ignored);
}

#define TOVASK_SKIP_WITHOUT_SAMPLE_FILES()   \
  if (!::tovask::testing::HaveSampleFiles()) \
  GTEST_SKIP() << "the sample Outlook data files are not there (" << TOVASK_PST_TESTDATA << ")"

// A profile document: an empty embedded store "Personal Folders" with a
// Contacts folder, then one data-file store per (name, file) pair.
inline std::string ProfileWithDataFiles(
    const std::vector<std::pair<std::string, std::string>>& files) {
  std::string json =
      R"({"stores": [{"name": "Personal Folders", "root": {"folders": [{"name": "Contacts",)"
      R"( "type": 2}]}})";
  for (const auto& [name, file] : files) {
    json += R"(, {"name": ")" + name + R"(", "dataFile": ")" + file + R"("})";
  }
  return json + "]}";
}

}  // namespace tovask::testing
