// The generated profiles the benchmarks run on: kept in the benchmark's
// folder, so repeated runs generate each size once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "main/date_time.h"
#include "profile_store/profile_generator.h"

namespace tovask::bench {

// DIR/contacts-N.db, a generated profile whose Contacts folder holds
// `contacts` contacts (the same ones every time); generated when missing.
inline std::string ContactsProfile(const std::string& dir, std::int64_t contacts) {
  std::string path = dir + "/contacts-" + std::to_string(contacts) + ".db";
  if (!std::filesystem::exists(path)) {
    outlook::GeneratorOptions options;
    options.contacts = contacts;
    options.until = DateTime::Parse("2026-12-01 00:00:00").value();
    outlook::GenerateProfile(path, options);
  }
  return path;
}

}  // namespace tovask::bench
