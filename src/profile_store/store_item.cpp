// Items and address entries of the profile store.
#include <string>
#include <utility>

#include "outlook/data_files.h"
#include "outlook/property_schema.h"
#include "outlook/store_failure.h"
#include "profile_store/property_record.h"
#include "profile_store/store_objects.h"

namespace tovask::outlook {

namespace {

class StoreItem : public Item {
 public:
  StoreItem(StatePtr state, ItemRow row, bool readOnly)
      : state_(std::move(state)),
        row_(std::move(row)),
        record_(std::exchange(row_.props, std::string())),
        faults_(row_.faults),
        scope_(ScopeOfClass(row_.messageClass)),
        readOnly_(readOnly),
        group_(state_->openGroup()) {}

  std::string KindName() override {
    CheckFault("type");
    return KindNameOfClass(row_.messageClass);
  }

  Value GetProperty(std::string_view name) override { return Read(Property(name)); }

  void SetProperty(std::string_view name, const Value& value) override {
    const PropertyInfo& info = Property(name);
    if (faults_.HasWrite(info.name)) {
      throw FaultFailure("write:" + std::string(info.name), Describe());
    }
    if (readOnly_) throw StoreFailure(kNoAccess, "The store of " + Describe() + " is read-only");
    if (info.access != PropertyAccess::kStored) {
      throw StoreFailure(kNoAccess, "The property " + std::string(info.name) + " is read-only");
    }
    std::string bytes;
    switch (EncodeValue(info, value, bytes)) {
      case WriteEffect::kSet:
        record_.Set(info.id, bytes);
        break;
      case WriteEffect::kClear:
        record_.Clear(info.id);
        break;
      case WriteEffect::kWrongKind:
        throw StoreFailure(kInvalidArgument, "The value for " + std::string(info.name) + " (" +
                                                 ValueText(value) + ") is of the wrong kind");
      case WriteEffect::kOutOfRange:
        throw StoreFailure(kInvalidArgument, "The value for " + std::string(info.name) + " (" +
                                                 ValueText(value) + ") is out of its range");
    }
  }

  void Save() override {
    CheckFault("save");
    CheckNotUndone();
    const FolderRow& folder = state_->Folder(row_.folderId);
    CheckFolderFault(*state_, folder, "save");
    if (readOnly_ || state_->StoreOf(folder).readOnly) {
      throw StoreFailure(kNoAccess, "The store of " + Describe() + " is read-only");
    }
    std::int64_t now = DateTime::Now().UnixSeconds();
    if (row_.id == 0) {
      state_->items().Insert(row_, record_.bytes(), now);
      group_ = state_->openGroup();
    } else {
      state_->items().Update(row_, record_.bytes(), now);
    }
  }

  std::string EntryID() override {
    CheckReadFault("EntryID");
    return row_.entryId;
  }

  void CopyTo(Folder& folder) override {
    CheckFault("copy");
    CheckNotUndone();
    if (auto* dataFile = dynamic_cast<DataFileFolderMark*>(&folder))
      throw dataFile->ReadOnlyFailure();
    std::int64_t targetId = StoreFolderId(state_, folder);
    const FolderRow& target = state_->Folder(targetId);
    CheckFolderFault(*state_, target, "copy");
    CheckFolderWritable(*state_, target);
    if (row_.id == 0)
      throw StoreFailure(kNotFound, "An item that was never saved cannot be copied");
    state_->items().Copy(row_.id, targetId, DateTime::Now().UnixSeconds());
  }

  std::unique_ptr<AddressEntry> Sender() override {
    CheckFault("sender");
    if (row_.senderId == 0) return nullptr;
    std::shared_ptr<const AddressEntryRow> entry = state_->AddressEntry(row_.senderId);
    if (!entry) return nullptr;
    return MakeStoreAddressEntry(std::move(entry));
  }

  std::string Subject() override {
    Value subject = Read(PropertyAt(SubjectProperty()));
    return std::move(std::get<std::string>(subject));
  }

  DateTime LastModificationTime() override {
    CheckReadFault("LastModificationTime");
    return row_.id == 0 ? NoDate() : DateTime::FromUnixSeconds(row_.modified);
  }

 private:
  // Raise when the item is marked to fail the operation or the reading.
  void CheckFault(std::string_view operation) const {
    if (faults_.Has(operation)) throw FaultFailure(std::string(operation), Describe());
  }
  void CheckReadFault(std::string_view property) const {
    if (faults_.HasRead(property)) throw FaultFailure("read:" + std::string(property), Describe());
  }

  // An object handed out in a change group that was rolled back may hold a
  // row that was undone, whose id and entry identifier are handed out
  // again: it must never write over the row that gets them.
  void CheckNotUndone() const {
    if (group_ != 0 && state_->RolledBack(group_)) {
      throw StoreFailure(kNotFound, Describe() + " was read or made in changes that were undone");
    }
  }

  // A readable property of the item's class.
  Value Read(const PropertyInfo& info) const {
    CheckReadFault(info.name);
    switch (info.access) {
      case PropertyAccess::kStoreSet:
        return StoreSetValue(info.id);
      case PropertyAccess::kComputed:
        return ComputeNameProperty(
            info.id,
            NameParts{Text(FirstNameProperty()), Text(LastNameProperty()), Text(SuffixProperty()),
                      Text(CompanyNameProperty()), Text(FullNameProperty())});
      case PropertyAccess::kStored:
        break;
    }
    std::string_view bytes;
    if (record_.Find(info.id, bytes)) return DecodeValue(info.kind, bytes);
    return UnsetValue(info.kind);
  }

  const PropertyInfo& Property(std::string_view name) const {
    const PropertyInfo* info = FindProperty(name);
    if (info == nullptr || (info->scopes & scope_) == 0) {
      throw StoreFailure(kNotFound, "An item of class " + row_.messageClass + " has no property " +
                                        std::string(name));
    }
    return *info;
  }

  Value StoreSetValue(PropertyId id) const {
    if (id == EntryIdProperty()) return row_.entryId;
    if (id == MessageClassProperty()) return row_.messageClass;
    // An item that was never saved has neither time yet.
    if (row_.id == 0) return NoDate();
    if (id == CreationTimeProperty()) return DateTime::FromUnixSeconds(row_.created);
    return DateTime::FromUnixSeconds(row_.modified);
  }

  std::string_view Text(PropertyId id) const {
    std::string_view bytes;
    return record_.Find(id, bytes) ? bytes : std::string_view();
  }

  std::string Describe() const {
    return row_.id == 0 ? "a new item of class " + row_.messageClass : "item " + row_.entryId;
  }

  StatePtr state_;
  ItemRow row_;
  PropertyRecord record_;
  FaultList faults_;
  PropertyScope scope_;
  bool readOnly_;
  std::uint64_t group_;  // the change group it was read or made in; 0 none
};

class StoreAddressEntry : public AddressEntry {
 public:
  explicit StoreAddressEntry(std::shared_ptr<const AddressEntryRow> entry)
      : entry_(std::move(entry)) {}

  std::string Name() override { return Field(kEntryName, "Name"); }
  std::string Address() override { return Field(kEntryAddress, "Address"); }
  std::string Type() override { return Field(kEntryType, "Type"); }
  std::string SMTPAddress() override { return Field(kEntrySmtpAddress, "SMTPAddress"); }
  std::string FirstName() override { return Field(kEntryFirstName, "FirstName"); }
  std::string LastName() override { return Field(kEntryLastName, "LastName"); }
  std::string JobTitle() override { return Field(kEntryJobTitle, "JobTitle"); }
  std::string AssistantName() override { return Field(kEntryAssistantName, "AssistantName"); }
  std::string BusinessTelephoneNumber() override {
    return Field(kEntryBusinessTelephoneNumber, "BusinessTelephoneNumber");
  }
  std::string MobileTelephoneNumber() override {
    return Field(kEntryMobileTelephoneNumber, "MobileTelephoneNumber");
  }
  std::string StreetAddress() override { return Field(kEntryStreetAddress, "StreetAddress"); }

 private:
  std::string Field(AddressEntryField field, std::string_view name) const {
    if (entry_->faults.HasRead(name)) {
      throw FaultFailure("read:" + std::string(name),
                         "address entry " + entry_->fields[kEntryName]);
    }
    return entry_->fields[field];
  }

  std::shared_ptr<const AddressEntryRow> entry_;
};

}  // namespace

std::unique_ptr<Item> MakeStoreItem(const StatePtr& state, ItemRow row, bool readOnly) {
  return std::make_unique<StoreItem>(state, std::move(row), readOnly);
}

std::unique_ptr<AddressEntry> MakeStoreAddressEntry(std::shared_ptr<const AddressEntryRow> entry) {
  return std::make_unique<StoreAddressEntry>(std::move(entry));
}

}  // namespace tovask::outlook
