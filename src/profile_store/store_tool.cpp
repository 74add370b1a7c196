#include "profile_store/store_tool.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include "main/failure.h"
#include "outlook/entry_id.h"
#include "outlook/outlook.h"
#include "profile_store/attached_files.h"
#include "profile_store/profile_builder.h"
#include "profile_store/profile_generator.h"
#include "profile_store/profile_json.h"

namespace tovask::outlook {

namespace {

constexpr const char* kToolName = "tovask-store";

Failure UsageFailure(const std::string& description) { return Failure(kToolName, 2, description); }

// A command line after the command's name: positional arguments and the
// values of "--name VALUE" / "--name=VALUE" options.
struct Invocation {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;
  std::istream* in = nullptr;
  std::ostream* out = nullptr;
};

using CommandRun = void (*)(const Invocation&);

struct Command {
  std::string_view name;
  std::string_view usage;
  std::string_view summary;
  std::string_view details;
  std::size_t positionalCount;
  std::vector<std::string_view> optionNames;
  CommandRun run;
};

const std::string& Profile(const Invocation& invocation) { return invocation.positional[0]; }

std::string ReadDocument(const std::string& file, std::istream& in) {
  if (file == "-")
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw ErrnoFailure("cannot read " + file, errno);
  std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) throw ErrnoFailure("cannot read " + file, errno);
  return text;
}

void RunInit(const Invocation& invocation) { InitProfile(Profile(invocation)); }

void RunLoad(const Invocation& invocation) {
  LoadProfile(Profile(invocation), ReadDocument(invocation.positional[1], *invocation.in));
}

void RunDump(const Invocation& invocation) {
  std::error_code ignored;
  if (!std::filesystem::exists(Profile(invocation), ignored)) {
    throw UsageFailure("no profile at " + Profile(invocation));
  }
  std::string json = DumpProfile(Profile(invocation));
  *invocation.out << json;
  if (json.empty() || json.back() != '\n') *invocation.out << '\n';
}

void RunTree(const Invocation& invocation) {
  WriteFolderTree(Profile(invocation), *invocation.out);
}

// The profile must exist: attaching never creates one.
void RequireProfile(const Invocation& invocation) {
  std::error_code ignored;
  if (!std::filesystem::exists(Profile(invocation), ignored)) {
    throw UsageFailure("no profile at " + Profile(invocation));
  }
}

void RunAttach(const Invocation& invocation) {
  RequireProfile(invocation);
  const std::string& file = invocation.positional[1];
  std::string name;
  if (auto given = invocation.options.find("name"); given != invocation.options.end()) {
    if (given->second.empty()) throw UsageFailure("--name wants a store name, not an empty one");
    name = given->second;
  }
  std::string storeName;
  try {
    storeName = AttachDataFile(Profile(invocation), file, name);
  } catch (const Failure& failure) {
    if (failure.source() == "SQLite") throw;
    throw UsageFailure("cannot attach " + file + ": " + failure.description());
  }
  *invocation.out << "attached " << AbsolutePath(file) << " as store '" << storeName << "'\n";
}

void RunDetach(const Invocation& invocation) {
  RequireProfile(invocation);
  DetachDataFile(Profile(invocation), invocation.positional[1]);
}

template <typename Number>
Number ParseNumber(const Invocation& invocation, std::string_view option, bool required,
                   Number otherwise) {
  auto found = invocation.options.find(option);
  if (found == invocation.options.end()) {
    if (required) throw UsageFailure("generate needs --" + std::string(option));
    return otherwise;
  }
  const std::string& text = found->second;
  Number number{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 0) {
    throw UsageFailure("--" + std::string(option) + " wants a whole number of 0 or more, not '" +
                       text + "'");
  }
  return number;
}

void RunGenerate(const Invocation& invocation) {
  GeneratorOptions options;
  options.contacts = ParseNumber<std::int64_t>(invocation, "contacts", true, 0);
  options.mails = ParseNumber<std::int64_t>(invocation, "mails", true, 0);
  options.senders = ParseNumber<std::int64_t>(invocation, "senders", true, 0);
  options.seed = ParseNumber<std::uint64_t>(invocation, "seed", false, 1);
  options.until = DateTime::Now();
  if (auto until = invocation.options.find("until"); until != invocation.options.end()) {
    std::optional<DateTime> parsed = DateTime::Parse(until->second);
    if (!parsed)
      throw UsageFailure("--until wants a date \"YYYY-MM-DD HH:MM:SS\", not '" + until->second +
                         "'");
    options.until = *parsed;
  }
  GenerateProfile(Profile(invocation), options);
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"init",
       "init PROFILE",
       "create a profile with the usual personal folders",
       "Creates PROFILE holding the store \"Personal Folders\" with Inbox, Sent Items,\n"
       "Drafts, Deleted Items, Contacts, Calendar, Tasks, Notes and Journal, all empty.\n"
       "An existing file is never overwritten.\n",
       1,
       {},
       RunInit},
      {"load",
       "load PROFILE FILE",
       "replace the profile with a JSON document (FILE - reads standard input)",
       "Replaces everything PROFILE holds with the JSON document FILE (- for standard\n"
       "input), creating PROFILE when missing. A document that does not fit the schema\n"
       "is rejected whole, naming the JSON path of the first problem; the profile is\n"
       "then left as it was. The schema is the one dump writes:\n"
       "  {\"stores\": [{\"name\": \"Personal Folders\", \"readOnly\": false, \"faults\": [],\n"
       "               \"root\": FOLDER},\n"
       "              {\"name\": \"Archive\", \"dataFile\": \"/path/archive.pst\"}]}\n"
       "  FOLDER = {\"name\", \"type\": 0-6, \"folders\": [FOLDER...], \"items\": [ITEM...], "
       "\"faults\"}\n"
       "  ITEM = {\"class\", \"entryId\", \"created\", \"modified\", \"props\": {NAME: VALUE},\n"
       "          \"sender\": ENTRY or null, \"faults\"}\n"
       "Dates are local \"YYYY-MM-DD HH:MM:SS\".\n",
       2,
       {},
       RunLoad},
      {"dump",
       "dump PROFILE",
       "write the profile as a JSON document to standard output",
       "Writes PROFILE as a JSON document (the schema load reads) to standard output:\n"
       "stored properties only, unset ones left out; entryId, created and modified\n"
       "always written.\n",
       1,
       {},
       RunDump},
      {"tree",
       "tree PROFILE",
       "show the folder tree with types and item counts",
       "Shows every folder of every store of PROFILE, one a line, indented by depth:\n"
       "its path, its default item type and its number of items. A folder whose\n"
       "fault points stop a read shows the failure on its line.\n",
       1,
       {},
       RunTree},
      {"attach",
       "attach PROFILE FILE [--name NAME]",
       "attach an Outlook data file (.pst, .ost) as a read-only store",
       "Adds the Outlook data file FILE to PROFILE as a read-only store after the\n"
       "others. The profile keeps the file's absolute path and record key; the file\n"
       "is only ever read. The store is named NAME, else by the file's display name,\n"
       "else by the file's name without extension. A file that cannot be opened as a\n"
       "data file, or one attached already (the same record key), is refused.\n",
       2,
       {"name"},
       RunAttach},
      {"detach",
       "detach PROFILE NAME",
       "remove the attached data file of store NAME from the profile",
       "Removes the first attached data file whose store is named NAME (without\n"
       "regard to case) from PROFILE. The file itself is left as it is.\n",
       2,
       {},
       RunDetach},
      {"generate",
       "generate PROFILE --contacts N --mails M --senders S [--seed X] [--until DATE]",
       "replace the profile with a generated one for benchmarks and trials",
       "Replaces PROFILE with the personal folders, N contacts of about 40 filled\n"
       "fields in Contacts and M mails in Inbox whose senders are drawn, the first\n"
       "ones far more often, from S address entries; a few mails go to Sent Items\n"
       "and Deleted Items. The mails arrive over the two years up to DATE\n"
       "(\"YYYY-MM-DD HH:MM:SS\", default now). The same seed (default 1) and DATE\n"
       "always give the same profile.\n",
       1,
       {"contacts", "mails", "senders", "seed", "until"},
       RunGenerate},
  };
  return commands;
}

void WriteToolHelp(std::ostream& out) {
  out << "Usage: " << kToolName << " COMMAND ARGUMENTS...\n"
      << "Administers the embedded Outlook profile store (one SQLite file).\n\nCommands:\n";
  for (const Command& command : Commands()) {
    out << "  " << command.usage << "\n      " << command.summary << "\n";
  }
  out << "\nEvery command takes --help. Exit status: 0 on success, 2 on any error\n"
      << "(reported as one line on standard error).\n";
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

Invocation Parse(const Command& command, const std::vector<std::string>& args) {
  Invocation invocation;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!arg.starts_with("--") || arg.size() == 2) {
      invocation.positional.emplace_back(arg);
      continue;
    }
    std::string_view name = arg.substr(2);
    std::optional<std::string> value;
    if (auto equals = name.find('='); equals != std::string_view::npos) {
      value = std::string(name.substr(equals + 1));
      name = name.substr(0, equals);
    }
    bool known = false;
    for (std::string_view option : command.optionNames) known = known || option == name;
    if (!known)
      throw UsageFailure(std::string(command.name) + " has no option --" + std::string(name));
    if (!value) {
      if (i + 1 == args.size()) throw UsageFailure("--" + std::string(name) + " needs a value");
      value = args[++i];
    }
    invocation.options[std::string(name)] = *value;
  }
  if (invocation.positional.size() != command.positionalCount) {
    throw UsageFailure("usage: " + std::string(kToolName) + " " + std::string(command.usage));
  }
  return invocation;
}

// Keeps the error one line even when a description spans several.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// Points the default profile at a file for as long as it lives.
class ProfileOverride {
 public:
  explicit ProfileOverride(const std::string& profilePath) {
    if (const char* previous = std::getenv("TOVASK_PROFILE")) previous_ = previous;
    setenv("TOVASK_PROFILE", profilePath.c_str(), 1);
  }
  ~ProfileOverride() {
    if (previous_)
      setenv("TOVASK_PROFILE", previous_->c_str(), 1);
    else
      unsetenv("TOVASK_PROFILE");
  }
  ProfileOverride(const ProfileOverride&) = delete;
  ProfileOverride& operator=(const ProfileOverride&) = delete;

 private:
  std::optional<std::string> previous_;
};

std::string TypeName(int defaultItemType) {
  static constexpr const char* kNames[] = {"mail",    "appointment", "contact", "task",
                                           "journal", "note",        "post"};
  if (defaultItemType >= 0 && defaultItemType <= 6) return kNames[defaultItemType];
  return "type " + std::to_string(defaultItemType);
}

// A folder path as the terminal should show it: control characters written
// as \xHH, so a name can neither move the cursor nor break the line.
std::string Printable(std::string_view text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    // C1 controls arrive as UTF-8: C2 80 to C2 9F.
    bool c1 = byte == 0xC2 && i + 1 < text.size() &&
              static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
              static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F || c1) {
      if (c1) ++i;  // the second byte names the control
      shown += "\\x" + HexText(text.substr(i, 1));
    } else {
      shown += text[i];
    }
  }
  return shown;
}

void WriteFolder(Folder& folder, int depth, std::ostream& out) {
  std::string line(static_cast<std::size_t>(depth) * 2, ' ');
  std::vector<std::string> faults;
  // Each read may hit a fault point of the folder; the tree shows it and goes
  // on. False when the read failed.
  auto attempt = [&faults](auto&& read) {
    try {
      read();
      return true;
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      faults.push_back(FailureTail(failure));
      return false;
    }
  };
  if (!attempt([&] { line += Printable(folder.FolderPath()); })) {
    // Without its path the folder is still known by its name.
    if (!attempt([&] { line += "? " + Printable(folder.Name()); })) line += "?";
  }
  if (!attempt([&] { line += "  " + TypeName(folder.DefaultItemType()); })) line += "  ?";
  if (!attempt([&] {
        std::int32_t count = folder.GetItems()->Count();
        line += "  " + std::to_string(count) + (count == 1 ? " item" : " items");
      })) {
    line += "  ? items";
  }
  std::unique_ptr<Folders> subfolders;
  attempt([&] { subfolders = folder.GetFolders(); });
  for (const std::string& fault : faults) line += "  [" + Printable(fault) + "]";
  out << line << '\n';
  if (!subfolders) return;
  for (std::int32_t i = 1, count = subfolders->Count(); i <= count; ++i) {
    WriteFolder(*subfolders->GetFolder(i), depth + 1, out);
  }
}

}  // namespace

void InitProfile(const std::string& profilePath) {
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(profilePath, error))) {
    throw UsageFailure(profilePath + " exists already; init never overwrites a file");
  }
  // A mistyped folder should not quietly become a new tree of folders.
  std::filesystem::path folder = std::filesystem::path(profilePath).parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    throw UsageFailure("there is no folder " + folder.string() + "; init does not create one");
  }
  ProfileBuilder builder(profilePath);
  AddPersonalFolders(builder);
  builder.Commit();
}

void WriteFolderTree(const std::string& profilePath, std::ostream& out) {
  ProfileOverride profile(profilePath);
  std::unique_ptr<Session> session = CreateSession(SessionMode::kSnapshot);
  session->Logon();
  for (const std::unique_ptr<Store>& store : session->Stores()) {
    std::unique_ptr<Folder> root;
    try {
      root = store->RootFolder();
    } catch (const Failure& failure) {
      // An attached file that cannot be read shows on its store's line; the
      // other stores are still shown.
      NoteTrappedFailure();
      out << Printable("\\\\" + store->Name()) << "  [" << Printable(FailureTail(failure)) << "]\n";
      continue;
    }
    WriteFolder(*root, 0, out);
  }
}

int RunStoreTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 std::ostream& err) {
  if (args.empty()) {
    err << kToolName << ": no command given; see " << kToolName << " --help\n";
    return kStoreToolError;
  }
  if (IsHelp(args[0]) || args[0] == "help") {
    WriteToolHelp(out);
    return kStoreToolOk;
  }
  const Command* command = nullptr;
  for (const Command& candidate : Commands()) {
    if (candidate.name == args[0]) command = &candidate;
  }
  if (command == nullptr) {
    err << kToolName << ": unknown command '" << OneLine(args[0]) << "'; see " << kToolName
        << " --help\n";
    return kStoreToolError;
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      out << "Usage: " << kToolName << " " << command->usage << "\n" << command->details;
      return kStoreToolOk;
    }
  }
  // The tool's one trap: whatever goes wrong becomes the single error line.
  try {
    Invocation invocation = Parse(*command, args);
    invocation.in = &in;
    invocation.out = &out;
    command->run(invocation);
    out.flush();
    return kStoreToolOk;
  } catch (const Failure& failure) {
    NoteTrappedFailure();
    // Descriptions name the file and the problem; SQLite's own messages are
    // terse, so its code goes along.
    bool terse = failure.source() == "SQLite";
    err << kToolName << ": " << OneLine(terse ? FailureTail(failure) : failure.description())
        << '\n';
  } catch (const std::exception& exception) {
    NoteTrappedFailure();
    err << kToolName << ": " << OneLine(exception.what()) << '\n';
  }
  return kStoreToolError;
}

}  // namespace tovask::outlook
