// The data-file calls of a build without libpff: nothing can be attached,
// and a store attached by a build that had it names its file but cannot
// show its folders.
#include "outlook/data_files.h"
#include "outlook/store_failure.h"

namespace tovask::outlook {

namespace {

Failure NotBuilt(const std::string& path) {
  return StoreFailure(
      kCallFailed, "The data file " + path + " cannot be read: this build of tovask has no libpff");
}

}  // namespace

class DataFileSource {
 public:
  explicit DataFileSource(AttachedFile attached) : attached(std::move(attached)) {}
  AttachedFile attached;
};

namespace {

class UnreadableStore : public Store {
 public:
  explicit UnreadableStore(std::shared_ptr<DataFileSource> source) : source_(std::move(source)) {}
  std::string Name() override { return source_->attached.storeName; }
  std::unique_ptr<Folder> RootFolder() override { throw NotBuilt(source_->attached.path); }

 private:
  std::shared_ptr<DataFileSource> source_;
};

}  // namespace

DataFileIdentity InspectDataFile(const std::string& path) { throw NotBuilt(path); }

std::shared_ptr<DataFileSource> NewDataFileSource(AttachedFile file) {
  return std::make_shared<DataFileSource>(std::move(file));
}

std::unique_ptr<Store> MakeDataFileStore(const std::shared_ptr<DataFileSource>& source) {
  return std::make_unique<UnreadableStore>(source);
}

}  // namespace tovask::outlook
