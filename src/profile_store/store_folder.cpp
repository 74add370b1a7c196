// Folders and subfolder collections of the profile store.
#include <string>

#include "outlook/store_failure.h"
#include "profile_store/store_objects.h"

namespace tovask::outlook {

namespace {

// The folder type numbers Folders::Add takes, and the default item type of
// the folder each makes.
int ItemTypeOfFolderType(int folderType) {
  switch (folderType) {
    case kFolderInbox:
      return kMailItem;
    case kFolderCalendar:
      return kAppointmentItem;
    case kFolderContacts:
      return kContactItem;
    case kFolderJournal:
      return kJournalItem;
    case kFolderNotes:
      return kNoteItem;
    case kFolderTasks:
      return kTaskItem;
    default:
      throw StoreFailure(kInvalidArgument,
                         "Folder type " + std::to_string(folderType) + " cannot be created");
  }
}

class StoreFolder : public Folder {
 public:
  StoreFolder(StatePtr state, std::int64_t id) : state_(std::move(state)), id_(id) {}

  std::string Name() override {
    const FolderRow& row = Row();
    CheckFolderFault(*state_, row, "read:Name");
    return row.name;
  }

  std::string FolderPath() override {
    const FolderRow& row = Row();
    CheckFolderFault(*state_, row, "path");
    return state_->FolderPath(row);
  }

  std::unique_ptr<Folder> Parent() override {
    const FolderRow& row = Row();
    if (row.parentId == 0) return nullptr;
    return MakeStoreFolder(state_, row.parentId);
  }

  int DefaultItemType() override {
    const FolderRow& row = Row();
    CheckFolderFault(*state_, row, "type");
    return row.itemType;
  }

  std::unique_ptr<Folders> GetFolders() override;

  std::unique_ptr<Items> GetItems() override {
    state_->Refresh();
    const FolderRow& row = Row();
    CheckFolderFault(*state_, row, "items");
    state_->items().List(id_);  // checks the folder's order now, as a fresh fetch would
    return MakeStoreItems(state_, id_);
  }

  void CheckWritable() override { CheckFolderWritable(*state_, Row()); }

  const StatePtr& state() const { return state_; }
  std::int64_t id() const { return id_; }

 private:
  const FolderRow& Row() const { return state_->Folder(id_); }

  StatePtr state_;
  std::int64_t id_;
};

class StoreFolders : public Folders {
 public:
  StoreFolders(StatePtr state, std::int64_t parentId)
      : state_(std::move(state)), parentId_(parentId) {}

  std::int32_t Count() override {
    return static_cast<std::int32_t>(state_->Folder(parentId_).children.size());
  }

  std::unique_ptr<Folder> GetFolder(std::int32_t index) override {
    const FolderRow& parent = state_->Folder(parentId_);
    auto count = static_cast<std::int32_t>(parent.children.size());
    if (index < 1 || index > count) {
      throw StoreFailure(kNotFound, "There is no subfolder at position " + std::to_string(index) +
                                        " of " + std::to_string(count) + " in " +
                                        DescribeFolder(*state_, parent));
    }
    return MakeStoreFolder(state_, parent.children[index - 1]);
  }

  std::unique_ptr<Folder> Add(std::string_view name, int folderType) override {
    const FolderRow& parent = state_->Folder(parentId_);
    CheckFolderWritable(*state_, parent);
    CheckFolderFault(*state_, parent, "addFolder");
    if (name.empty()) throw StoreFailure(kInvalidArgument, "A folder needs a name");
    int itemType = ItemTypeOfFolderType(folderType);
    const FolderRow& added = state_->AddFolder(parent, name, itemType);
    return MakeStoreFolder(state_, added.id);
  }

 private:
  StatePtr state_;
  std::int64_t parentId_;
};

std::unique_ptr<Folders> StoreFolder::GetFolders() {
  state_->Refresh();
  const FolderRow& row = Row();
  CheckFolderFault(*state_, row, "subfolders");
  return std::make_unique<StoreFolders>(state_, id_);
}

}  // namespace

std::unique_ptr<Folder> MakeStoreFolder(const StatePtr& state, std::int64_t folderId) {
  return std::make_unique<StoreFolder>(state, folderId);
}

std::int64_t StoreFolderId(const StatePtr& state, Folder& folder) {
  auto* ours = dynamic_cast<StoreFolder*>(&folder);
  if (ours == nullptr || ours->state() != state) {
    throw StoreFailure(kInvalidArgument, "The folder belongs to another session");
  }
  return ours->id();
}

std::string DescribeFolder(const ProfileState& state, const FolderRow& folder) {
  return "folder " + state.FolderPath(folder);
}

void CheckFolderWritable(ProfileState& state, const FolderRow& folder) {
  if (state.connection().holdsSnapshot()) {
    throw StoreFailure(kNoAccess, "The session reads one state of the profile and writes nothing");
  }
  if (state.StoreOf(folder).readOnly) {
    throw StoreFailure(kNoAccess,
                       "The store of " + DescribeFolder(state, folder) + " is read-only");
  }
}

void CheckFolderFault(const ProfileState& state, const FolderRow& folder, std::string_view fault) {
  if (folder.faults.Has(fault))
    throw FaultFailure(std::string(fault), DescribeFolder(state, folder));
}

}  // namespace tovask::outlook
