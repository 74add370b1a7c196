// Concurrency of imports and exports: one profile with four contacts
// folders of M contacts each; every round starts, all at once, an import
// (-d) into each folder and an export of each folder, eight processes of
// the real program, and checks:
//   - no lock failure: every run ends with status 0 and says nothing;
//   - no lost update: afterwards each folder holds exactly what its import
//     gives (its M contacts with this round's title and this round's
//     newcomer, the last round's newcomer deleted), and its feedback
//     document says so;
//   - no mixed document: each export holds one state of its folder, the
//     one before its round's import or the one after, never some contacts
//     of each.
//
// Usage: import_concurrency [--rounds R] [--contacts M] [--dir DIR]
//                           [--program PATH]
// Exit status 0 when every check held, 1 when one did not, 2 when the
// harness could not set up.
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "main/xml_writer.h"
#include "profile_store/profile_json.h"
#include "stress_support.h"

namespace {

using namespace tovask::stress;

constexpr int kFolders = 4;

struct Options {
  long rounds = 0;
  long contacts = 0;
  std::string dir;
  std::string program;
};

std::string FolderName(int k) { return "Team " + std::to_string(k); }
std::string FolderPath(int k) { return "\\\\Personal Folders\\" + FolderName(k); }
std::string Title(long round) { return "round " + std::to_string(round); }
std::string Newcomer(int k, long round) {
  return "Newcomer " + std::to_string(k) + "-" + std::to_string(round);
}

// The profile: four folders of M contacts, each titled "round 0".
std::string ProfileJson(long contacts) {
  Json folders = Json::array();
  for (int k = 1; k <= kFolders; ++k) {
    Json items = Json::array();
    for (long i = 0; i < contacts; ++i) {
      items.push_back({{"class", "IPM.Contact"},
                       {"props",
                        {{"FullName", "Person " + std::to_string(k) + "-" + std::to_string(i)},
                         {"JobTitle", Title(0)}}}});
    }
    folders.push_back({{"name", FolderName(k)}, {"type", 2}, {"items", items}});
  }
  return Json{{"stores", {{{"name", "Personal Folders"}, {"root", {{"folders", folders}}}}}}}
      .dump();
}

// Round `round`'s document for folder k: every one of its first contacts by
// entry identifier with the round's title, and the round's newcomer.
void WriteDocument(const std::vector<std::pair<std::string, std::string>>& people, int k,
                   long round, const std::string& path) {
  tovask::XmlWriter document(path);
  document.StartElement("olcontacts");
  long n = 0;
  for (const auto& [entryId, fullName] : people) {
    document.StartElement("contact");
    document.Attribute("id", std::to_string(n++));
    document.Attribute("EntryID", entryId);
    document.CDataElement("FullName", fullName);
    document.CDataElement("JobTitle", Title(round));
    document.EndElement();
  }
  document.StartElement("contact");
  document.Attribute("id", "new");
  document.CDataElement("FullName", Newcomer(k, round));
  document.CDataElement("JobTitle", Title(round));
  document.EndElement();
  document.Save();
}

// The (FullName, JobTitle) pairs of a folder's contacts as a multiset, the
// form a folder state is compared in.
using State = std::multiset<std::pair<std::string, std::string>>;

State Expected(const std::vector<std::pair<std::string, std::string>>& people, int k, long round) {
  State state;
  for (const auto& [entryId, fullName] : people) state.insert({fullName, Title(round)});
  if (round > 0) state.insert({Newcomer(k, round), Title(round)});
  return state;
}

State FolderState(const Json* folder) {
  State state;
  for (const auto& [entryId, text] : ContactsOf(folder)) {
    const Json props = Json::parse(text);
    state.insert({props.value("FullName", ""), props.value("JobTitle", "")});
  }
  return state;
}

// An export document's contacts, or nothing when it is not a whole one.
std::optional<State> ExportState(const std::string& path) {
  const std::string text = ReadText(path);
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return std::nullopt;
  std::optional<State> state;
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root != nullptr && xmlStrEqual(root->name, BAD_CAST "olcontacts")) {
    state.emplace();
    for (xmlNode* contact = root->children; contact != nullptr; contact = contact->next) {
      std::map<std::string, std::string> fields;
      for (xmlNode* field = contact->children; field != nullptr; field = field->next) {
        xmlChar* value = xmlNodeGetContent(field);
        fields[reinterpret_cast<const char*>(field->name)] =
            value != nullptr ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
      }
      state->insert({fields["FullName"], fields["JobTitle"]});
    }
  }
  xmlFreeDoc(doc);
  return state;
}

int Run(const Options& options) {
  const std::string dir = options.dir;
  const std::string profile = dir + "/profile.db";
  RemoveProfile(profile);
  tovask::outlook::LoadProfile(profile, ProfileJson(options.contacts));
  setenv("TOVASK_PROFILE", profile.c_str(), 1);
  const Json start = Json::parse(tovask::outlook::DumpProfile(profile));
  std::vector<std::vector<std::pair<std::string, std::string>>> people(kFolders + 1);
  for (int k = 1; k <= kFolders; ++k) {
    for (const Json& item : (*FolderAt(start, {FolderName(k)}))["items"]) {
      people[k].emplace_back(item["entryId"], item["props"]["FullName"]);
    }
  }

  long lockFailures = 0, lostUpdates = 0, badFeedback = 0, mixedDocuments = 0;
  long exportsBefore = 0, exportsAfter = 0;
  for (long round = 1; round <= options.rounds; ++round) {
    std::vector<pid_t> runs;
    std::vector<std::string> outputs;
    for (int k = 1; k <= kFolders; ++k) {
      const std::string base = dir + "/folder" + std::to_string(k);
      WriteDocument(people[k], k, round, base + "-talvo.xml");
    }
    for (int k = 1; k <= kFolders; ++k) {
      const std::string base = dir + "/folder" + std::to_string(k);
      outputs.push_back(base + "-import.txt");
      runs.push_back(Spawn({options.program, "-i", "0", FolderPath(k), base + "-talvo.xml",
                            base + "-feedback.xml", "-d"},
                           outputs.back()));
      outputs.push_back(base + "-export.txt");
      runs.push_back(
          Spawn({options.program, "-o", "0", FolderPath(k), base + "-export.xml"}, outputs.back()));
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
      const int status = Wait(runs[i]);
      const std::string said = ReadText(outputs[i]);
      if (status != 0 || !said.empty()) {
        ++lockFailures;
        std::cerr << "import_concurrency: round " << round << ", " << outputs[i] << ": status "
                  << status << " " << said << "\n";
      }
    }

    const Json now = Json::parse(tovask::outlook::DumpProfile(profile));
    for (int k = 1; k <= kFolders; ++k) {
      const std::string base = dir + "/folder" + std::to_string(k);
      const std::string at = "round " + std::to_string(round) + ", " + FolderName(k);
      if (FolderState(FolderAt(now, {FolderName(k)})) != Expected(people[k], k, round)) {
        ++lostUpdates;
        std::cerr << "import_concurrency: " << at << ": the folder is not what its import gives\n";
      }
      std::map<std::string, long> statuses;
      if (auto feedback = ReadFeedback(base + "-feedback.xml")) {
        for (const FeedbackElement& element : *feedback) ++statuses[element.status];
      }
      const std::map<std::string, long> expectedStatuses =
          round == 1 ? std::map<std::string, long>{{"updated", options.contacts}, {"created", 1}}
                     : std::map<std::string, long>{
                           {"updated", options.contacts}, {"created", 1}, {"deleted", 1}};
      if (statuses != expectedStatuses) {
        ++badFeedback;
        std::cerr << "import_concurrency: " << at << ": the feedback does not say what was done\n";
      }
      std::optional<State> exported = ExportState(base + "-export.xml");
      if (exported && *exported == Expected(people[k], k, round - 1)) {
        ++exportsBefore;
      } else if (exported && *exported == Expected(people[k], k, round)) {
        ++exportsAfter;
      } else {
        ++mixedDocuments;
        std::cerr << "import_concurrency: " << at << ": the export holds neither state\n";
      }
    }
  }
  const long runs = options.rounds * kFolders;
  std::cout << "import_concurrency: " << options.rounds << " rounds of " << kFolders
            << " imports and " << kFolders << " exports, " << options.contacts
            << " contacts a folder\n"
            << "  runs with a failure: " << lockFailures << " of " << 2 * runs << "\n"
            << "  folders not as their import gives (lost updates): " << lostUpdates << " of "
            << runs << "\n"
            << "  feedback documents not saying what was done: " << badFeedback << " of " << runs
            << "\n"
            << "  exports holding neither state (mixed): " << mixedDocuments << " of " << runs
            << "; " << exportsBefore << " saw the folder before its import, " << exportsAfter
            << " after\n";
  const bool held = lockFailures + lostUpdates + badFeedback + mixedDocuments == 0;
  std::cout << "import_concurrency: " << (held ? "every check held" : "some checks did not hold")
            << "\n";
  return held ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> flags = {
      {"rounds", "50"}, {"contacts", "200"}, {"dir", ""}, {"program", TOVASK_BINARY}};
  ReadFlags(argc, argv, flags,
            "import_concurrency [--rounds R] [--contacts M] [--dir DIR] [--program PATH]");
  Options options;
  options.rounds = std::atol(flags["rounds"].c_str());
  options.contacts = std::atol(flags["contacts"].c_str());
  options.program = flags["program"];
  return RunInFolder("import_concurrency", flags["dir"], [&](const std::string& dir) {
    options.dir = dir;
    return Run(options);
  });
}
