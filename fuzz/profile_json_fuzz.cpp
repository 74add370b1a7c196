// Fuzz target: one JSON text loaded over an existing profile (what
// `tovask-store load` does).
//
// What must hold for every text:
// - a refused document raises only a tovask-store failure number 1 whose
//   description starts with the JSON path of the problem ("$..."), and
//   leaves the profile exactly as it was;
// - an accepted document replaces the profile: its dump loads into a new
//   profile whose dump is the same text.
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "main/failure.h"
#include "profile_store/profile_json.h"

namespace {

// The profile every input is loaded over: two stores, folders, a contact
// and a mail with its sender.
constexpr const char kTemplate[] = R"({"stores": [
  {"name": "Personal Folders", "root": {"folders": [
    {"name": "Contacts", "type": 2, "items": [
      {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C1",
       "props": {"FirstName": "Anna", "Birthday": "1980-05-01 00:00:00", "Gender": 2}}]},
    {"name": "Inbox", "items": [
      {"class": "IPM.Note", "props": {"Subject": "Hello"},
       "sender": {"name": "Jonas Berg", "address": "jonas@halden.example", "type": "SMTP"}}]}]}},
  {"name": "Archive", "readOnly": true}]})";

struct Paths {
  std::string copy = tovask::fuzz::ScratchFile("reloaded.db");
  std::optional<tovask::fuzz::TemplateProfile> profile;
  std::string dump;  // the template's dump
};

Paths& State() {
  static Paths paths;
  return paths;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Paths& paths = State();
  const std::string path = tovask::fuzz::ScratchFile("profile.db");
  tovask::outlook::LoadProfile(path, kTemplate);
  paths.dump = tovask::outlook::DumpProfile(path);
  paths.profile.emplace(path, tovask::fuzz::ReadWhole(path));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Paths& paths = State();
  tovask::fuzz::TemplateProfile& profile = *paths.profile;
  profile.Reset();
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  try {
    tovask::outlook::LoadProfile(profile.path(), json);
  } catch (const tovask::Failure& failure) {
    FUZZ_CHECK(failure.source() == "tovask-store" && failure.number() == 1,
               std::string("refused with ") + failure.what());
    FUZZ_CHECK(failure.description().rfind("$", 0) == 0,
               "a refusal without the JSON path: " + failure.description());
    // The file itself is the quick test; the dump the one that counts.
    if (!profile.Untouched()) {
      FUZZ_CHECK(tovask::outlook::DumpProfile(profile.path()) == paths.dump,
                 "a refused document changed the profile: " + failure.description());
    }
    return 0;
  }
  const std::string dump = tovask::outlook::DumpProfile(profile.path());
  tovask::fuzz::RemoveProfile(paths.copy);
  try {
    tovask::outlook::LoadProfile(paths.copy, dump);
  } catch (const tovask::Failure& failure) {
    tovask::fuzz::Broken(__FILE__, __LINE__,
                         std::string("the dump of an accepted document is refused: ") +
                             failure.what() + "\n" + dump);
  }
  FUZZ_CHECK(tovask::outlook::DumpProfile(paths.copy) == dump,
             "an accepted document's dump reloads differently");
  return 0;
}
