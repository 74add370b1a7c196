// Stores, folders and subfolder collections of attached data files.
#include "outlook/store_failure.h"
#include "pst/data_file_objects.h"

namespace tovask::outlook {

namespace {

class DataFileStore : public Store {
 public:
  explicit DataFileStore(SourcePtr source) : source_(std::move(source)) {}

  std::string Name() override { return source_->attached().storeName; }
  std::unique_ptr<Folder> RootFolder() override {
    source_->Folder(0);  // opens the file, raising when it cannot
    return MakeDataFileFolder(source_, 0);
  }

 private:
  SourcePtr source_;
};

class DataFileFolders : public Folders {
 public:
  DataFileFolders(SourcePtr source, int parent) : source_(std::move(source)), parent_(parent) {}

  std::int32_t Count() override {
    return static_cast<std::int32_t>(source_->Folder(parent_).children.size());
  }

  std::unique_ptr<Folder> GetFolder(std::int32_t index) override {
    const std::vector<int>& children = source_->Folder(parent_).children;
    auto count = static_cast<std::int32_t>(children.size());
    if (index < 1 || index > count) {
      throw StoreFailure(kNotFound, "There is no subfolder at position " + std::to_string(index) +
                                        " of " + std::to_string(count) + " in folder " +
                                        source_->FolderPath(parent_));
    }
    return MakeDataFileFolder(source_, children[static_cast<std::size_t>(index - 1)]);
  }

  std::unique_ptr<Folder> Add(std::string_view, int) override {
    throw source_->ReadOnly("folder " + source_->FolderPath(parent_));
  }

 private:
  SourcePtr source_;
  int parent_;
};

class DataFileFolderObject : public Folder, public DataFileFolderMark {
 public:
  DataFileFolderObject(SourcePtr source, int index) : source_(std::move(source)), index_(index) {}

  std::string Name() override { return source_->Folder(index_).name; }
  std::string FolderPath() override { return source_->FolderPath(index_); }
  std::unique_ptr<Folder> Parent() override {
    int parent = source_->Folder(index_).parent;
    if (parent < 0) return nullptr;
    return MakeDataFileFolder(source_, parent);
  }
  int DefaultItemType() override { return source_->Folder(index_).itemType; }
  std::unique_ptr<Folders> GetFolders() override {
    source_->Folder(index_);
    return std::make_unique<DataFileFolders>(source_, index_);
  }
  std::unique_ptr<Items> GetItems() override { return MakeDataFileItems(source_, index_); }
  void CheckWritable() override { throw ReadOnlyFailure(); }

  Failure ReadOnlyFailure() override { return source_->ReadOnly("folder " + FolderPath()); }

 private:
  SourcePtr source_;
  int index_;
};

}  // namespace

std::unique_ptr<Folder> MakeDataFileFolder(const SourcePtr& source, int index) {
  return std::make_unique<DataFileFolderObject>(source, index);
}

std::shared_ptr<DataFileSource> NewDataFileSource(AttachedFile file) {
  return std::make_shared<DataFileSource>(std::move(file));
}

std::unique_ptr<Store> MakeDataFileStore(const std::shared_ptr<DataFileSource>& source) {
  return std::make_unique<DataFileStore>(source);
}

}  // namespace tovask::outlook
