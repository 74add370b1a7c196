#include "pst/data_file_source.h"

#include "main/case_fold.h"
#include "outlook/entry_id.h"
#include "outlook/folder_path.h"
#include "outlook/property_schema.h"
#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {

using pst::ItemProperties;
using pst::PffFailure;
using pst::PffItem;

// Search folders have node type 3 in the low five bits of their identifier.
constexpr std::uint32_t kNodeTypeMask = 0x1F;
constexpr std::uint32_t kSearchFolderNode = 0x03;

PffItem MessageStore(libpff_file_t* file, const std::string& path) {
  libpff_error_t* error = nullptr;
  libpff_item_t* store = nullptr;
  int found = libpff_file_get_message_store(file, &store, &error);
  if (found != 1) {
    if (found == 0) throw Failure(pst::kPffSource, pst::kPffFailed, path + " has no message store");
    throw PffFailure("cannot read the message store of " + path, error);
  }
  return PffItem(store);
}

int CodePageOf(libpff_file_t* file) {
  libpff_error_t* error = nullptr;
  int codePage = 1252;
  if (libpff_file_get_ascii_codepage(file, &codePage, &error) != 1) {
    pst::DropPffError(error);
    codePage = 1252;
  }
  return codePage;
}

std::string RecordKeyOf(const ItemProperties& store) {
  std::optional<std::string> key = store.Bytes(pst::kTagRecordKey);
  return key && key->size() == 16 ? outlook::HexText(*key) : std::string();
}

// The first subfolder of that name (compared exactly, as the file's own
// system folders are named), or null.
PffItem SubfolderNamed(libpff_item_t* folder, std::string_view name,
                       const pst::CodePageText& ansi) {
  for (PffItem& child : pst::Subfolders(folder)) {
    try {
      if (ItemProperties::Read(child.get(), 0).Text(pst::kTagDisplayName, ansi) == name)
        return std::move(child);
    } catch (const Failure&) {
      // An unreadable folder is not the one looked for.
    }
  }
  return PffItem();
}

}  // namespace

int ItemTypeOfContainerClass(std::string_view containerClass) {
  if (IsClassOf(containerClass, "IPF.Contact")) return kContactItem;
  if (IsClassOf(containerClass, "IPF.Appointment")) return kAppointmentItem;
  if (IsClassOf(containerClass, "IPF.Task")) return kTaskItem;
  if (IsClassOf(containerClass, "IPF.Journal")) return kJournalItem;
  if (IsClassOf(containerClass, "IPF.StickyNote")) return kNoteItem;
  return kMailItem;
}

DataFileIdentity InspectDataFile(const std::string& path) {
  pst::PffFile file = pst::OpenPffFile(path);
  PffItem store = MessageStore(file.get(), path);
  ItemProperties properties = ItemProperties::Read(store.get(), 0);
  pst::CodePageText ansi(CodePageOf(file.get()));
  return {properties.Text(pst::kTagDisplayName, ansi), RecordKeyOf(properties)};
}

void DataFileSource::Open() {
  if (file_) return;
  if (failure_) throw *failure_;
  const std::string& path = attached_.path;
  try {
    pst::PffFile file = pst::OpenPffFile(path);
    PffItem store = MessageStore(file.get(), path);
    ItemProperties properties = ItemProperties::Read(store.get(), 0);
    std::string recordKey = RecordKeyOf(properties);
    if (recordKey != attached_.recordKey) {
      throw StoreFailure(kNotFound, "The data file " + path +
                                        " is no longer the file attached as " + "store '" +
                                        attached_.storeName + "' (its record key changed)");
    }
    ansi_.emplace(CodePageOf(file.get()));
    PffItem root = FindIpmSubtree(file.get());
    DataFileFolder top;
    top.nodeId = pst::NodeIdOf(root.get());
    top.name = attached_.storeName;
    top.itemType = ItemTypeOfContainerClass(
        ItemProperties::Read(root.get(), 0).Text(pst::kTagContainerClass, *ansi_));
    folders_.clear();
    folders_.push_back(std::move(top));
    std::unordered_set<std::uint32_t> seen{folders_[0].nodeId};
    ReadChildren(root.get(), 0, 0, seen);
    prefix_ = "00000000" + (recordKey.empty() ? std::string(32, '0') : recordKey);
    file_ = std::move(file);
  } catch (const Failure& failure) {
    // Said once with the file's name; later calls repeat it.
    std::string description = failure.description();
    if (description.find(path) == std::string::npos) {
      description = "The data file " + path + " of store '" + attached_.storeName +
                    "' cannot be read: " + description;
    }
    failure_.emplace(failure.source(), failure.number(), description);
    folders_.clear();
    ansi_.reset();
    throw *failure_;
  }
}

PffItem DataFileSource::FindIpmSubtree(libpff_file_t* file) {
  PffItem store = MessageStore(file, attached_.path);
  std::optional<std::string> entryId =
      ItemProperties::Read(store.get(), 0).Bytes(pst::kTagIpmSubtreeEntryId);
  // Flags, the store's 16-byte key, then the folder's node identifier.
  if (entryId && entryId->size() == 24) {
    auto nodeId =
        static_cast<std::uint32_t>(pst::LittleEndian(std::string_view(*entryId).substr(20)));
    libpff_error_t* error = nullptr;
    libpff_item_t* folder = nullptr;
    if (libpff_file_get_item_by_identifier(file, nodeId, &folder, &error) == 1) {
      return PffItem(folder);
    }
    pst::DropPffError(error);
  }
  libpff_error_t* error = nullptr;
  libpff_item_t* top = nullptr;
  if (libpff_file_get_root_folder(file, &top, &error) != 1) {
    throw PffFailure("cannot read the root folder of " + attached_.path, error);
  }
  PffItem root(top);
  PffItem mailbox = SubfolderNamed(root.get(), "Root - Mailbox", *ansi_);
  PffItem subtree = mailbox ? SubfolderNamed(mailbox.get(), "IPM_SUBTREE", *ansi_) : PffItem();
  if (!subtree) {
    throw Failure(pst::kPffSource, pst::kPffFailed,
                  "The data file " + attached_.path + " has no IPM subtree");
  }
  return subtree;
}

void DataFileSource::ReadChildren(libpff_item_t* item, int index, int depth,
                                  std::unordered_set<std::uint32_t>& seen) {
  if (depth >= kMaxFolderDepth) return;
  for (PffItem& child : pst::Subfolders(item)) {
    DataFileFolder folder;
    try {
      folder.nodeId = pst::NodeIdOf(child.get());
      if ((folder.nodeId & kNodeTypeMask) == kSearchFolderNode) continue;
      if (seen.contains(folder.nodeId)) continue;
      ItemProperties properties = ItemProperties::Read(child.get(), 0);
      Value hidden = properties.Get({pst::PropertySet::kNone, pst::kTagAttributeHidden, {}},
                                    PropertyKind::kBoolean, *ansi_);
      if (std::get<bool>(hidden)) continue;
      folder.name = properties.Text(pst::kTagDisplayName, *ansi_);
      folder.itemType = ItemTypeOfContainerClass(properties.Text(pst::kTagContainerClass, *ansi_));
    } catch (const Failure&) {
      // A folder that cannot be read is left out with its subtree.
      continue;
    }
    seen.insert(folder.nodeId);
    folder.parent = index;
    int added = static_cast<int>(folders_.size());
    folders_.push_back(std::move(folder));
    folders_[index].children.push_back(added);
    ReadChildren(child.get(), added, depth + 1, seen);
  }
}

const DataFileFolder& DataFileSource::Folder(int index) {
  Open();
  if (index < 0 || static_cast<std::size_t>(index) >= folders_.size()) {
    throw StoreFailure(kNotFound,
                       "There is no folder " + std::to_string(index) + " in " + attached_.path);
  }
  return folders_[static_cast<std::size_t>(index)];
}

std::string DataFileSource::FolderPath(int index) {
  std::vector<int> chain;
  for (int at = index; at > 0; at = Folder(at).parent) chain.push_back(at);
  std::string path = "\\\\" + EscapeFolderName(attached_.storeName);
  for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
    path += '\\';
    path += EscapeFolderName(Folder(*at).name);
  }
  return path;
}

const std::string& DataFileSource::EntryIdPrefix() {
  Open();
  return prefix_;
}

std::string DataFileSource::EntryIdOf(std::uint32_t nodeId) {
  std::string id = EntryIdPrefix();
  std::string little(4, '\0');
  for (int i = 0; i < 4; ++i) little[i] = static_cast<char>((nodeId >> (8 * i)) & 0xFF);
  return id + outlook::HexText(little);
}

const pst::CodePageText& DataFileSource::ansi() {
  Open();
  return *ansi_;
}

PffItem DataFileSource::ItemByNode(std::uint32_t nodeId) {
  Open();
  libpff_error_t* error = nullptr;
  libpff_item_t* item = nullptr;
  int found = libpff_file_get_item_by_identifier(file_.get(), nodeId, &item, &error);
  if (found != 1) {
    std::string what = "The item of node " + std::to_string(nodeId) + " in " + attached_.path;
    if (found == 0) throw StoreFailure(kNotFound, what + " does not exist");
    throw PffFailure(what + " cannot be read", error);
  }
  return PffItem(item);
}

Failure DataFileSource::ReadOnly(const std::string& what) const {
  return StoreFailure(kNoAccess, "The store of " + what + " is read-only (an Outlook data file)");
}

}  // namespace tovask::outlook
