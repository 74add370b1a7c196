// Crash consistency of the import: runs the real program's import (-b -d)
// of a document of N contacts into a generated Contacts folder of N
// contacts, kills it with SIGKILL at seeded random moments, and checks what
// each killed run left:
//   - integrity: SQLite's integrity check of the profile says ok;
//   - whole contacts: every contact of the folder is its old version or the
//     version the import gives it, never a mix (a save is one transaction),
//     and no contact appears that the import would not make;
//   - all or nothing: the folder is as before the import or as after it;
//   - feedback: the feedback file is absent, the old one, or whole;
//   - backup: the backup folder is absent or holds a copy of every contact;
//   - no file of the run is left behind beside the feedback file;
// then reruns the same import to its end and checks that it succeeds and
// leaves the profile as one uninterrupted run does (new contacts compared
// by their fields, as their entry identifiers are new each time).
//
// Usage: import_crash [--contacts N] [--kills K] [--seed S] [--dir DIR]
//                     [--program PATH]
// Exit status 0 when every check held, 1 when one did not, 2 when the
// harness could not set up.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "main/date_time.h"
#include "main/xml_writer.h"
#include "profile_store/profile_generator.h"
#include "profile_store/profile_json.h"
#include "stress_support.h"

namespace {

using namespace tovask::stress;

const std::string kFolderPath = "\\\\Personal Folders\\Contacts";
const std::string kBackupName = "Contacts (talvo backup)";
const std::string kOldFeedback =
    "<?xml version=\"1.0\"?>\n<mergedcontacts><contact id=\"old\" EntryID=\"\" "
    "status=\"created\"/></mergedcontacts>\n";

struct Options {
  long contacts = 0;
  long kills = 0;
  unsigned long seed = 0;
  std::string dir;
  std::string program;
};

// Writes the peer's document: four of every five contacts of the folder
// updated by entry identifier (each field it sends differs from the old
// one), the fifth left out (so -d deletes it), and one new contact for each
// one left out.
void WriteDocument(const Json& folder, const std::string& path) {
  tovask::XmlWriter document(path);
  document.StartElement("olcontacts");
  long index = 0, created = 0;
  auto field = [&](const char* name, const std::string& value) {
    if (!value.empty()) document.CDataElement(name, value);
  };
  for (const Json& item : folder["items"]) {
    if (item["class"] != "IPM.Contact") continue;
    const std::string n = std::to_string(index);
    if (index++ % 5 == 4) {
      const std::string c = std::to_string(created++);
      document.StartElement("contact");
      document.Attribute("id", "new-" + c);
      field("FirstName", "Nora");
      field("LastName", "Newcomer " + c);
      field("FullName", "Nora Newcomer " + c);
      field("Email1Address", "nora." + c + "@halden.example");
      field("Birthday", "1990-01-" + std::to_string(10 + created % 18));
      document.EndElement();
      continue;
    }
    const Json props = item.value("props", Json::object());
    document.StartElement("contact");
    document.Attribute("id", "talvo-" + n);
    document.Attribute("EntryID", item["entryId"].get<std::string>());
    field("FirstName", props.value("FirstName", ""));
    field("LastName", props.value("LastName", ""));
    field("FullName", props.value("FullName", ""));
    field("JobTitle", "Updated title " + n);
    field("Email1Address", "updated." + n + "@nordfjord.example");
    field("BusinessTelephoneNumber", "+47 23 " + n);
    field("User1", "version 2");
    document.EndElement();
  }
  document.Save();
}

// The root's folders but the target and its backup, which the import alone
// may change.
Json OtherFolders(const Json& dump) {
  Json others = Json::array();
  for (const Json& folder : dump["stores"][0]["root"]["folders"]) {
    if (folder["name"] != "Contacts" && folder["name"] != kBackupName) others.push_back(folder);
  }
  return others;
}

// The state of the profile as the checks see it.
struct Snapshot {
  Contacts contacts;  // the target folder's
  bool hasBackup = false;
  std::multiset<std::string> backup;  // the backup's contacts' properties
  Json others;
};

Snapshot Take(const std::string& profile) {
  const Json dump = Json::parse(tovask::outlook::DumpProfile(profile));
  Snapshot snapshot;
  snapshot.contacts = ContactsOf(FolderAt(dump, {"Contacts"}));
  const Json* backup = FolderAt(dump, {kBackupName});
  snapshot.hasBackup = backup != nullptr;
  snapshot.backup = PropsOf(ContactsOf(backup));
  snapshot.others = OtherFolders(dump);
  return snapshot;
}

struct Expected {
  Contacts before;                     // the template's contacts
  Contacts updated;                    // the reference run's, of the template's ids
  std::multiset<std::string> created;  // the reference run's new contacts
  std::multiset<std::string> backup;   // copies of every contact before
  std::size_t feedbackElements = 0;    // in the reference run's feedback
  Json others;
};

// The contacts of ids the template had, and the properties of the others.
void Split(const Contacts& contacts, const Contacts& before, Contacts& known,
           std::multiset<std::string>& added) {
  for (const auto& [entryId, props] : contacts) {
    if (before.count(entryId) != 0) {
      known[entryId] = props;
    } else {
      added.insert(props);
    }
  }
}

// The folder's contacts are those one uninterrupted run leaves.
bool HasUpdatedContacts(const Snapshot& now, const Expected& expected) {
  Contacts known;
  std::multiset<std::string> added;
  Split(now.contacts, expected.before, known, added);
  return known == expected.updated && added == expected.created;
}

bool IsAfter(const Snapshot& now, const Expected& expected) {
  return HasUpdatedContacts(now, expected) && now.hasBackup && now.backup == expected.backup;
}

class Tally {
 public:
  void Check(const std::string& name, bool held, const std::string& detail) {
    auto& [passed, failed] = counts_[name];
    if (held) {
      ++passed;
    } else {
      ++failed;
      std::cerr << "import_crash: " << name << " does not hold: " << detail << "\n";
    }
  }
  bool AllHeld() const {
    for (const auto& [name, count] : counts_) {
      if (count.second != 0) return false;
    }
    return true;
  }
  void Print() const {
    for (const auto& [name, count] : counts_) {
      std::cout << "  " << name << ": " << count.first << " of " << count.first + count.second
                << " held\n";
    }
  }

 private:
  std::map<std::string, std::pair<long, long>> counts_;
};

int Run(const Options& options) {
  const std::string dir = options.dir;
  std::filesystem::create_directories(dir + "/run");
  const std::string templateProfile = dir + "/template.db";
  const std::string document = dir + "/talvo.xml";
  const std::string profile = dir + "/run/profile.db";
  const std::string feedback = dir + "/run/feedback.xml";
  const std::string output = dir + "/run/output.txt";
  const std::vector<std::string> command = {options.program, "-i",     "0",  kFolderPath,
                                            document,        feedback, "-b", "-d"};
  const std::set<std::string> runFiles = {"profile.db",         "profile.db-wal", "profile.db-shm",
                                          "profile.db-journal", "feedback.xml",   "output.txt"};

  RemoveProfile(templateProfile);
  tovask::outlook::GeneratorOptions generator;
  generator.contacts = options.contacts;
  generator.until = tovask::DateTime::Parse("2026-12-01 00:00:00").value();
  tovask::outlook::GenerateProfile(templateProfile, generator);
  const Json templateDump = Json::parse(tovask::outlook::DumpProfile(templateProfile));
  WriteDocument(*FolderAt(templateDump, {"Contacts"}), document);
  setenv("TOVASK_PROFILE", profile.c_str(), 1);

  auto fresh = [&] {
    CopyProfile(templateProfile, profile);
    WriteText(feedback, kOldFeedback);
  };

  // One uninterrupted run: what every rerun must give, and how long a run takes.
  fresh();
  const auto start = Clock::now();
  if (Wait(Spawn(command, output)) != 0)
    Fatal("the uninterrupted import failed:\n" + ReadText(output));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  Expected expected;
  expected.before = ContactsOf(FolderAt(templateDump, {"Contacts"}));
  expected.backup = PropsOf(expected.before);
  expected.others = OtherFolders(templateDump);
  const Snapshot reference = Take(profile);
  Split(reference.contacts, expected.before, expected.updated, expected.created);
  std::optional<std::vector<FeedbackElement>> referenceFeedback = ReadFeedback(feedback);
  if (!referenceFeedback) Fatal("the uninterrupted import wrote no feedback document");
  expected.feedbackElements = referenceFeedback->size();
  if (!IsAfter(reference, expected) || reference.others != expected.others) {
    Fatal("the uninterrupted import did not give the expected profile");
  }
  std::cout << "import_crash: " << options.contacts << " contacts, one import " << seconds << " s, "
            << expected.feedbackElements << " feedback elements\n";

  Tally tally;
  Random random(options.seed);
  long before = 0, partial = 0, after = 0, finishedFirst = 0;
  for (long kill = 1; kill <= options.kills; ++kill) {
    fresh();
    const double delay = random.Unit() * seconds * 1.05;
    const bool killed = KillAfter(Spawn(command, output), delay);
    if (!killed) ++finishedFirst;
    const std::string at = "kill " + std::to_string(kill) + " at " + std::to_string(delay) + " s";

    tally.Check("integrity after the kill", IntegrityCheck(profile) == "ok", at);
    const Snapshot now = Take(profile);
    bool whole = true;
    for (const auto& [entryId, props] : now.contacts) {
      auto old = expected.before.find(entryId);
      auto updated = expected.updated.find(entryId);
      whole = whole && (old != expected.before.end()
                            ? props == old->second ||
                                  (updated != expected.updated.end() && props == updated->second)
                            : expected.created.count(props) != 0);
    }
    for (const auto& [entryId, props] : expected.updated) {
      whole = whole && now.contacts.count(entryId) != 0;
    }
    tally.Check("every contact whole", whole, at);
    const bool isBefore = now.contacts == expected.before && !now.hasBackup;
    const bool isAfter = IsAfter(now, expected);
    (isBefore ? before : isAfter ? after : partial)++;
    tally.Check("folder as before or as after", isBefore || isAfter, at);
    tally.Check("backup absent or complete", !now.hasBackup || now.backup == expected.backup,
                at + ": " + std::to_string(now.backup.size()) + " of " +
                    std::to_string(expected.backup.size()) + " contacts copied");
    tally.Check("other folders untouched", now.others == expected.others, at);
    const bool feedbackExists = std::filesystem::exists(feedback);
    std::optional<std::vector<FeedbackElement>> elements;
    if (feedbackExists && ReadText(feedback) != kOldFeedback) elements = ReadFeedback(feedback);
    tally.Check("feedback absent, old or whole",
                !feedbackExists || ReadText(feedback) == kOldFeedback ||
                    (elements && elements->size() == expected.feedbackElements),
                at);
    std::vector<std::string> stray = StrayFiles(dir + "/run", runFiles);
    tally.Check("no stray file", stray.empty(), at + ": " + (stray.empty() ? "" : stray[0]));

    // The same import again, to its end.
    const int status = Wait(Spawn(command, output));
    tally.Check("rerun succeeds", status == 0,
                at + ": status " + std::to_string(status) + "\n" + ReadText(output));
    tally.Check("integrity after the rerun", IntegrityCheck(profile) == "ok", at);
    const Snapshot rerun = Take(profile);
    tally.Check("rerun gives the uninterrupted run's contacts",
                HasUpdatedContacts(rerun, expected) && rerun.others == expected.others, at);
    tally.Check("rerun's backup complete", rerun.hasBackup && rerun.backup == expected.backup,
                at + ": " + std::to_string(rerun.backup.size()) + " of " +
                    std::to_string(expected.backup.size()) + " contacts copied");
    std::optional<std::vector<FeedbackElement>> rerunFeedback = ReadFeedback(feedback);
    tally.Check("rerun feedback whole", rerunFeedback.has_value(), at);
  }
  std::cout << "import_crash: " << options.kills << " kills (seed " << options.seed
            << "): " << before << " left the folder as before, " << after << " as after, "
            << partial << " part way; " << finishedFirst << " runs ended before their kill\n";
  tally.Print();
  const bool held = tally.AllHeld();
  std::cout << "import_crash: " << (held ? "every check held" : "some checks did not hold") << "\n";
  return held ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> flags = {{"contacts", "10000"},
                                              {"kills", "100"},
                                              {"seed", "1"},
                                              {"dir", ""},
                                              {"program", TOVASK_BINARY}};
  ReadFlags(argc, argv, flags,
            "import_crash [--contacts N] [--kills K] [--seed S] [--dir DIR] [--program PATH]");
  Options options;
  options.contacts = std::atol(flags["contacts"].c_str());
  options.kills = std::atol(flags["kills"].c_str());
  options.seed = std::strtoul(flags["seed"].c_str(), nullptr, 10);
  options.program = flags["program"];
  return RunInFolder("import_crash", flags["dir"], [&](const std::string& dir) {
    options.dir = dir;
    return Run(options);
  });
}
