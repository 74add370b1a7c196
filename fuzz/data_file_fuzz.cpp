// Fuzz target: an Outlook data file damaged by the input, read through the
// data-file backend as an attached store: the folder listing, a recursive
// export and a recursive harvest of the store.
//
// The input is a list of patches to the sample file SampleContacts.pst
// (from the shared test data; without it every input passes untried): each
// patch is a 3-byte little-endian offset (taken modulo the file's size), a
// length byte (up to 16 used) and that many bytes written there. An empty
// input reads the undamaged file.
//
// What must hold for every damaged file, besides no crash and no escaping
// failure: each operation writes its document (what it gathered; failures
// are logged), a well-formed one with its root element, and the profile,
// which only records where the file is, stays as it was.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "export/export_contacts.h"
#include "folders/list_folders.h"
#include "fuzz_support.h"
#include "harvest/harvest_addresses.h"
#include "main/failure.h"
#include "main/log.h"
#include "profile_store/attached_files.h"
#include "profile_store/profile_json.h"

namespace {

struct State {
  std::string sample;  // the undamaged file; empty without test data
  std::string file = tovask::fuzz::ScratchFile("sample.pst");
  std::string list = tovask::fuzz::ScratchFile("folders.xml");
  std::string contacts = tovask::fuzz::ScratchFile("contacts.xml");
  std::string senders = tovask::fuzz::ScratchFile("senders.xml");
  std::string log = tovask::fuzz::ScratchFile("run.log");
  std::optional<tovask::fuzz::TemplateProfile> profile;
};

State& Run() {
  static State state;
  return state;
}

// The root element's name of a whole document, or nothing.
std::optional<std::string> RootOf(const std::string& path) {
  const std::string text = tovask::fuzz::ReadWhole(path);
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return std::nullopt;
  xmlNode* root = xmlDocGetRootElement(doc);
  std::optional<std::string> name;
  if (root != nullptr) name = reinterpret_cast<const char*>(root->name);
  xmlFreeDoc(doc);
  return name;
}

void CheckDocument(const std::string& path, const std::string& root) {
  std::optional<std::string> found = RootOf(path);
  FUZZ_CHECK(found == root, path + " is no whole document with the root " + root);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  State& state = Run();
  state.sample = tovask::fuzz::ReadWhole(TOVASK_PST_TESTDATA "/SampleContacts.pst");
  if (state.sample.empty()) {
    std::fprintf(stderr, "data_file_fuzz: no %s; every input passes untried\n",
                 TOVASK_PST_TESTDATA "/SampleContacts.pst");
    return 0;
  }
  tovask::fuzz::WriteWhole(state.file, state.sample);
  const std::string path = tovask::fuzz::ScratchFile("profile.db");
  tovask::outlook::LoadProfile(path, R"({"stores": [{"name": "Personal Folders"}]})");
  try {
    tovask::outlook::AttachDataFile(path, state.file, "Sample");
  } catch (const tovask::Failure& failure) {
    // A build without the data-file backend.
    std::fprintf(stderr, "data_file_fuzz: %s; every input passes untried\n", failure.what());
    state.sample.clear();
    return 0;
  }
  state.profile.emplace(path, tovask::fuzz::ReadWhole(path));
  setenv("TOVASK_PROFILE", path.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  State& state = Run();
  if (state.sample.empty()) return 0;
  state.profile->Reset();
  std::string damaged = state.sample;
  for (std::size_t at = 0; at + 4 <= size;) {
    const std::size_t offset = (data[at] | data[at + 1] << 8 | data[at + 2] << 16) % damaged.size();
    const std::size_t length = std::min<std::size_t>({data[at + 3], 16, size - at - 4});
    at += 4;
    for (std::size_t i = 0; i < length && offset + i < damaged.size(); ++i) {
      damaged[offset + i] = static_cast<char>(data[at + i]);
    }
    at += length;
  }
  tovask::fuzz::WriteWhole(state.file, damaged);
  for (const std::string* path : {&state.list, &state.contacts, &state.senders, &state.log}) {
    ::unlink(path->c_str());
  }

  tovask::ResetTrappedFailures();
  tovask::StartLog(state.log);
  tovask::ListFolders(state.list);
  tovask::ExportContacts(0, "\\\\Sample", state.contacts, true);
  tovask::HarvestAddresses(0, "\\\\Sample", state.senders, true);
  tovask::ResetLog();

  CheckDocument(state.list, "folders");
  CheckDocument(state.contacts, "olcontacts");
  CheckDocument(state.senders, "olcontacts");
  FUZZ_CHECK(state.profile->Untouched(), "reading an attached file changed the profile");
  return 0;
}
