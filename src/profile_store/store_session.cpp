// Sessions and stores of the profile store, and CreateSession().
#include <string>
#include <unordered_map>

#include "outlook/data_files.h"
#include "outlook/folder_path.h"
#include "outlook/store_failure.h"
#include "profile_store/profile_schema.h"
#include "profile_store/store_objects.h"

namespace tovask::outlook {

namespace {

class StoreStore : public Store {
 public:
  StoreStore(StatePtr state, std::int64_t id) : state_(std::move(state)), id_(id) {}

  std::string Name() override {
    const StoreRow& row = Row();
    if (row.faults.HasRead("Name")) throw FaultFailure("read:Name", "store " + row.name);
    return row.name;
  }

  std::unique_ptr<Folder> RootFolder() override { return MakeStoreFolder(state_, Row().rootId); }

 private:
  const StoreRow& Row() const {
    if (const StoreRow* store = state_->FindStoreById(id_)) return *store;
    throw StoreFailure(kNotFound, "The store " + std::to_string(id_) + " no longer exists");
  }

  StatePtr state_;
  std::int64_t id_;
};

class StoreSession : public Session {
 public:
  explicit StoreSession(SessionMode mode) : mode_(mode) {}

  void Logon() override {
    auto state = std::make_shared<ProfileState>(DefaultProfilePath(), mode_);
    for (const auto& store : state->Stores()) {
      if (store.faults.Has("logon")) throw FaultFailure("logon", "store " + store.name);
    }
    state_ = std::move(state);
  }

  std::unique_ptr<Folder> GetFolderFromPath(std::string_view path) override {
    ProfileState& state = LoggedOn();
    state.Refresh();
    std::optional<std::vector<std::string>> names = SplitFolderPath(path);
    if (!names) throw StoreFailure(kNotFound, "'" + std::string(path) + "' is not a folder path");
    const StoreRow* store = state.FindStore(names->front());
    if (store != nullptr && !store->dataFile.empty()) {
      std::unique_ptr<Folder> found =
          FindFolderBelow(DataFileStore(*store)->RootFolder(), std::span(*names).subspan(1));
      if (!found) throw StoreFailure(kNotFound, "There is no folder " + std::string(path));
      return found;
    }
    const FolderRow* folder = store != nullptr ? state.FindFolder(store->rootId) : nullptr;
    for (std::size_t i = 1; folder != nullptr && i < names->size(); ++i) {
      folder = state.FindChild(*folder, (*names)[i]);
    }
    if (folder == nullptr) throw StoreFailure(kNotFound, "There is no folder " + std::string(path));
    return MakeStoreFolder(state_, folder->id);
  }

  void BeginChanges() override { LoggedOn().BeginChanges(); }

  void CommitChanges() override { LoggedOn().CommitChanges(); }

  void RollbackChanges() noexcept override {
    if (state_) state_->RollbackChanges();
  }

  std::vector<std::unique_ptr<Store>> Stores() override {
    ProfileState& state = LoggedOn();
    state.Refresh();
    std::vector<std::unique_ptr<Store>> stores;
    for (const auto& store : state.Stores()) {
      if (!store.dataFile.empty()) {
        stores.push_back(DataFileStore(store));
      } else {
        stores.push_back(std::make_unique<StoreStore>(state_, store.id));
      }
    }
    return stores;
  }

 private:
  ProfileState& LoggedOn() {
    if (!state_) throw StoreFailure(kNotLoggedOn, "The session is not logged on");
    return *state_;
  }

  // The attached file's store; the file is opened once per session, by the
  // first call that needs it.
  std::unique_ptr<Store> DataFileStore(const StoreRow& store) {
    std::shared_ptr<DataFileSource>& source = dataFiles_[store.id];
    if (!source) source = NewDataFileSource({store.name, store.dataFile, store.recordKey});
    return MakeDataFileStore(source);
  }

  SessionMode mode_;
  StatePtr state_;
  std::unordered_map<std::int64_t, std::shared_ptr<DataFileSource>> dataFiles_;
};

}  // namespace

std::unique_ptr<Session> CreateSession(SessionMode mode) {
  return std::make_unique<StoreSession>(mode);
}

}  // namespace tovask::outlook
