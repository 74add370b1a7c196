// A folder's item collection in the profile store.
#include <string>

#include "outlook/entry_id.h"
#include "outlook/store_failure.h"
#include "profile_store/store_objects.h"

namespace tovask::outlook {

namespace {

class StoreItems : public Items {
 public:
  StoreItems(StatePtr state, std::int64_t folderId)
      : state_(std::move(state)), folderId_(folderId) {}

  std::int32_t Count() override { return state_->items().List(folderId_).Count(); }

  std::unique_ptr<Item> GetItem(std::int32_t index) override {
    ItemRow row = Row(index);  // first: a missing position raises before anything else
    return MakeStoreItem(state_, std::move(row), ReadOnly());
  }

  std::unique_ptr<Item> Find(std::string_view filter) override {
    // Every identifier in the profile has the identifier form; nothing else
    // can match.
    std::optional<std::string> entryId = FindFilterEntryId(filter);
    if (!entryId) return nullptr;
    std::optional<ItemRow> row = state_->items().FindByEntryId(*entryId);
    if (!row || row->folderId != folderId_) return nullptr;
    return MakeStoreItem(state_, std::move(*row), ReadOnly());
  }

  std::unique_ptr<Item> Add(std::string_view messageClass) override {
    if (messageClass.empty()) throw StoreFailure(kInvalidArgument, "An item needs a message class");
    // Raised now rather than by every write to an item that could never be
    // saved.
    CheckFolderWritable(*state_, state_->Folder(folderId_));
    ItemRow row;
    row.folderId = folderId_;
    row.messageClass = std::string(messageClass);
    return MakeStoreItem(state_, std::move(row), ReadOnly());
  }

  void Remove(std::int32_t index) override {
    const FolderRow& folder = state_->Folder(folderId_);
    CheckFolderWritable(*state_, folder);
    CheckFolderFault(*state_, folder, "remove");
    ItemRow row = Row(index);
    if (FaultList(row.faults).Has("remove")) {
      throw FaultFailure("remove", "item " + row.entryId);
    }
    state_->items().Remove(folderId_, row.id);
  }

 private:
  ItemRow Row(std::int32_t index) {
    ItemRows& rows = state_->items();
    return rows.Read(rows.List(folderId_), index);
  }
  bool ReadOnly() const {
    return state_->connection().holdsSnapshot() ||
           state_->StoreOf(state_->Folder(folderId_)).readOnly;
  }

  StatePtr state_;
  std::int64_t folderId_;
};

}  // namespace

std::unique_ptr<Items> MakeStoreItems(const StatePtr& state, std::int64_t folderId) {
  return std::make_unique<StoreItems>(state, folderId);
}

}  // namespace tovask::outlook
