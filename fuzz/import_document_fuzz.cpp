// Fuzz target: one input document run through the whole import (check,
// collect, merges, backup, stale deletion, feedback) into the Contacts
// folder of a small profile, put back to its template before every input.
// The flags come from the input's size: bit 0 of size % 8 backs up, bit 1
// deletes stale contacts, bit 2 asks (every other stale contact may go).
//
// What must hold for every document:
// - a refused document changes nothing and writes no feedback file;
// - otherwise the feedback file is one well-formed document: the root
//   `mergedcontacts` holding only empty `contact` elements with exactly the
//   attributes id, EntryID and status, in that order;
// - the folder holds exactly the template's contacts less those reported
//   "deleted", plus those reported "created"; "updated" ones were there;
//   every reported id is an id of the document ("-1" for deletions);
// - every value of every contact in the folder came from the document or
//   the profile (dates: from a date text of the document);
// - everything outside the folder is as it was; a backup folder, when asked
//   for, holds copies of the template's contacts, and exists only then.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "import/import_contacts.h"
#include "main/date_time.h"
#include "main/failure.h"
#include "main/log.h"
#include "profile_store/profile_json.h"

namespace {

using Json = nlohmann::json;

const std::string kTarget = "\\\\Personal Folders\\Contacts";
const std::string kBackupName = "Contacts (talvo backup)";

// Entry identifiers C1 to C6 end in 00C1 to 00C6 (the seeds name them).
constexpr const char kTemplate[] =
    R"json({"stores": [{"name": "Personal Folders", "root": {"folders": [
  {"name": "Contacts", "type": 2, "items": [
    {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C1",
     "props": {"FirstName": "Anna", "LastName": "Smith", "FullName": "Anna Smith",
               "FileAs": "Smith, Anna", "Email1Address": "anna@nordfjord.example",
               "Email1AddressType": "SMTP", "Email2Address": "/o=Nordfjord/cn=anna",
               "Email2AddressType": "EX", "Email2DisplayName": "Anna Smith (Exchange)",
               "BusinessTelephoneNumber": "+47 22 00 00 01", "Birthday": "1980-05-01 00:00:00",
               "Gender": 2, "HasPicture": false}},
    {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C2",
     "props": {"FullName": "Jonas Berg", "FileAs": "Berg, Jonas", "User1": "alpha", "User2": "beta",
               "User4": "gamma", "HomeTelephoneNumber": "555-0100",
               "Home2TelephoneNumber": "555-0100", "Anniversary": "2001-09-09 00:00:00"},
     "faults": ["write:Hobby"]},
    {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C3",
     "props": {"FullName": "Liv Berg", "Email1Address": "liv@halden.example",
               "Email2Address": "liv@halden.example", "JobTitle": "Engineer"}},
    {"class": "IPM.DistList", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000D1",
     "props": {"Subject": "Team"}},
    {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C4",
     "props": {"FileAs": "Nordfjord AS", "CompanyName": "Nordfjord AS"}}],
   "folders": [{"name": "Sub", "type": 2, "items": [
    {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C5",
     "props": {"FullName": "Per Sub"}}]}]},
  {"name": "Friends", "type": 2, "items": [
    {"class": "IPM.Contact", "entryId": "0123456789ABCDEF0123456789ABCDEF00000000000000C6",
     "props": {"FullName": "Kari Venn"}}]},
  {"name": "Inbox"}]}}]})json";

struct State {
  std::optional<tovask::fuzz::TemplateProfile> profile;
  std::string input = tovask::fuzz::ScratchFile("input.xml");
  std::string feedback = tovask::fuzz::ScratchFile("feedback.xml");
  std::string log = tovask::fuzz::ScratchFile("run.log");
  Json folders;                        // the template's folders below the root, from its dump
  std::set<std::string> profileTexts;  // every text and date the template holds
};

State& Run() {
  static State state;
  return state;
}

// The folder of that name below the root, or null.
const Json* Child(const Json& folders, const std::string& name) {
  for (const Json& folder : folders) {
    if (folder["name"] == name) return &folder;
  }
  return nullptr;
}

void GatherTexts(const Json& value, std::set<std::string>& texts) {
  if (value.is_string()) texts.insert(value.get<std::string>());
  if (value.is_structured()) {
    for (const Json& member : value) GatherTexts(member, texts);
  }
}

// The contacts of a folder by entry identifier, each without its times and
// fault points (copies have none).
std::map<std::string, Json> ContactsOf(const Json& folder) {
  std::map<std::string, Json> contacts;
  for (const Json& item : folder.value("items", Json::array())) {
    if (item["class"] != "IPM.Contact") continue;
    Json kept = item;
    kept.erase("entryId");
    kept.erase("created");
    kept.erase("modified");
    kept.erase("faults");
    contacts[item["entryId"]] = kept;
  }
  return contacts;
}

// Every text the document carries: node contents and attribute values, read
// with libxml2's own tree parser, apart from the import's reader.
struct DocumentTexts {
  bool parsed = false;
  std::set<std::string> texts;
  std::set<std::string> contactIds;
};

void GatherNode(xmlNode* node, DocumentTexts& out) {
  for (; node != nullptr; node = node->next) {
    if (node->content != nullptr) out.texts.insert(reinterpret_cast<const char*>(node->content));
    if (node->type == XML_ELEMENT_NODE) {
      for (xmlAttr* attribute = node->properties; attribute != nullptr;
           attribute = attribute->next) {
        xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
        std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
        xmlFree(value);
        out.texts.insert(text);
        // A contact is an element named `contact` without a prefix, in a
        // default namespace or none.
        const bool prefixed = node->ns != nullptr && node->ns->prefix != nullptr;
        if (!prefixed && xmlStrEqual(node->name, BAD_CAST "contact") && attribute->ns == nullptr &&
            xmlStrEqual(attribute->name, BAD_CAST "id")) {
          out.contactIds.insert(text);
        }
      }
      GatherNode(node->children, out);
    }
  }
}

DocumentTexts ReadDocumentTexts(const std::uint8_t* data, std::size_t size) {
  DocumentTexts out;
  xmlDoc* doc = xmlReadMemory(reinterpret_cast<const char*>(data), static_cast<int>(size), nullptr,
                              nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return out;
  out.parsed = true;
  GatherNode(xmlDocGetRootElement(doc), out);
  xmlFreeDoc(doc);
  return out;
}

struct FeedbackElement {
  std::string id, entryId, status;
};

// The feedback file's elements; aborts when it is not the document it must be.
std::vector<FeedbackElement> ReadFeedback(const std::string& path) {
  const std::string text = tovask::fuzz::ReadWhole(path);
  FUZZ_CHECK(text.rfind("<?xml version=\"1.0\"?>", 0) == 0, "feedback without its declaration");
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  FUZZ_CHECK(doc != nullptr, "the feedback document does not parse:\n" + text);
  xmlNode* root = xmlDocGetRootElement(doc);
  FUZZ_CHECK(root != nullptr && xmlStrEqual(root->name, BAD_CAST "mergedcontacts") &&
                 root->properties == nullptr,
             "feedback root is not a bare mergedcontacts");
  std::vector<FeedbackElement> elements;
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    FUZZ_CHECK(node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST "contact") &&
                   node->children == nullptr,
               "feedback holds something other than empty contact elements");
    std::vector<std::pair<std::string, std::string>> attributes;
    for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
      xmlChar* value = xmlNodeListGetString(doc, attribute->children, 1);
      attributes.emplace_back(reinterpret_cast<const char*>(attribute->name),
                              value != nullptr ? reinterpret_cast<const char*>(value) : "");
      xmlFree(value);
    }
    FUZZ_CHECK(attributes.size() == 3 && attributes[0].first == "id" &&
                   attributes[1].first == "EntryID" && attributes[2].first == "status",
               "a feedback element without exactly id, EntryID, status");
    elements.push_back({attributes[0].second, attributes[1].second, attributes[2].second});
  }
  xmlFreeDoc(doc);
  return elements;
}

// True when the value of a contact's property came from the document or the
// profile.
bool Traceable(const std::string& value, const DocumentTexts& document,
               const std::set<std::string>& profileTexts, const std::set<std::string>& dates) {
  return value.empty() || value == "SMTP" || document.texts.count(value) != 0 ||
         profileTexts.count(value) != 0 || dates.count(value) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  State& state = Run();
  const std::string path = tovask::fuzz::ScratchFile("profile.db");
  tovask::outlook::LoadProfile(path, kTemplate);
  Json dump = Json::parse(tovask::outlook::DumpProfile(path));
  state.folders = dump["stores"][0]["root"]["folders"];
  GatherTexts(dump, state.profileTexts);
  state.profile.emplace(path, tovask::fuzz::ReadWhole(path));
  setenv("TOVASK_PROFILE", path.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  State& state = Run();
  tovask::fuzz::TemplateProfile& profile = *state.profile;
  profile.Reset();
  ::unlink(state.feedback.c_str());
  ::unlink(state.log.c_str());
  tovask::fuzz::WriteWhole(state.input,
                           std::string_view(reinterpret_cast<const char*>(data), size));
  const bool backup = (size & 1) != 0;
  const bool deleteStale = (size & 2) != 0;
  const bool confirm = (size & 4) != 0;
  auto ask = [](const std::vector<std::string>& texts) {
    tovask::DeleteDecision decision;
    decision.cancelled = false;
    for (std::size_t i = 0; i < texts.size(); ++i) decision.selected.push_back(i % 2 == 0);
    return decision;
  };

  tovask::ResetTrappedFailures();
  tovask::StartLog(state.log);
  tovask::ImportContacts(kTarget, state.input, state.feedback, backup, deleteStale, confirm, ask);
  tovask::ResetLog();

  if (!tovask::fuzz::Exists(state.feedback)) {
    FUZZ_CHECK(tovask::AnyFailureTrapped(), "no feedback file and no failure noted");
    FUZZ_CHECK(profile.Untouched(), "a refused document changed the profile");
    return 0;
  }
  const std::vector<FeedbackElement> feedback = ReadFeedback(state.feedback);
  const DocumentTexts document = ReadDocumentTexts(data, size);
  FUZZ_CHECK(document.parsed, "an imported document does not parse as a tree");

  const Json after =
      Json::parse(tovask::outlook::DumpProfile(profile.path()))["stores"][0]["root"]["folders"];
  const std::map<std::string, Json> before = ContactsOf(*Child(state.folders, "Contacts"));
  const std::map<std::string, Json> now = ContactsOf(*Child(after, "Contacts"));

  // What the feedback says must be what happened.
  std::set<std::string> expected;
  for (const auto& [entryId, contact] : before) expected.insert(entryId);
  for (const FeedbackElement& element : feedback) {
    if (element.status == "deleted") {
      FUZZ_CHECK(element.id == "-1", "a deletion with id " + element.id);
      FUZZ_CHECK(before.count(element.entryId) != 0 && expected.erase(element.entryId) == 1,
                 "deleted what was not a contact of the folder: " + element.entryId);
      continue;
    }
    FUZZ_CHECK(document.contactIds.count(element.id) != 0,
               "a feedback id the document does not hold: " + element.id);
    if (element.status == "created") {
      FUZZ_CHECK(before.count(element.entryId) == 0 && expected.insert(element.entryId).second,
                 "created twice or an existing contact: " + element.entryId);
    } else {
      FUZZ_CHECK(element.status == "updated", "status " + element.status);
      FUZZ_CHECK(before.count(element.entryId) != 0,
                 "updated a contact that was not there: " + element.entryId);
    }
  }
  std::set<std::string> present;
  for (const auto& [entryId, contact] : now) present.insert(entryId);
  FUZZ_CHECK(present == expected, "the folder's contacts differ from what the feedback says");

  // Every value of the folder's contacts came from the document or the profile.
  std::set<std::string> dates;
  for (const std::string& text : document.texts) {
    if (text.size() < 32) {
      if (auto date = tovask::DateTime::Parse(text)) dates.insert(date->ToGeneralText());
    }
  }
  for (const auto& [entryId, contact] : now) {
    const Json props = contact.value("props", Json::object());
    for (const auto& [name, value] : props.items()) {
      if (!value.is_string()) {
        const Json* old = before.count(entryId) ? &before.at(entryId) : nullptr;
        FUZZ_CHECK(
            old != nullptr && old->value("props", Json::object()).value(name, Json()) == value,
            "property " + name + " of " + entryId + " changed kind or value: " + value.dump());
        continue;
      }
      FUZZ_CHECK(
          Traceable(value.get<std::string>(), document, state.profileTexts, dates),
          "property " + name + " of " + entryId + " holds a value from nowhere: " + value.dump());
    }
  }

  // Nothing else moved; the backup holds the template's contacts.
  FUZZ_CHECK(
      *Child(after, "Contacts")->find("folders") == (*Child(state.folders, "Contacts"))["folders"],
      "a subfolder of the target changed");
  for (const char* name : {"Friends", "Inbox"}) {
    FUZZ_CHECK(*Child(after, name) == *Child(state.folders, name),
               std::string("the folder ") + name + " changed");
  }
  const Json* backupFolder = Child(after, kBackupName);
  FUZZ_CHECK((backupFolder != nullptr) == backup, "a backup folder without -b or none with it");
  if (backupFolder != nullptr) {
    std::multiset<std::string> copies, originals;
    for (const auto& [entryId, contact] : ContactsOf(*backupFolder)) copies.insert(contact.dump());
    for (const auto& [entryId, contact] : before) originals.insert(contact.dump());
    FUZZ_CHECK(copies == originals,
               "the backup does not hold copies of the folder's contacts: " + backupFolder->dump());
  }
  for (const Json& folder : after) {
    const std::string name = folder["name"];
    FUZZ_CHECK(name == kBackupName || Child(state.folders, name) != nullptr,
               "a folder appeared: " + name);
  }
  return 0;
}
