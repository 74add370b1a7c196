// Item collections, items and senders of attached data files.
//
// A folder's items are the rows of its contents table, in the table's order;
// each row names its item by node identifier (0x67F2) and carries the item's
// class, subject and modification time. An item whose own properties cannot
// be read (a damaged file) answers those three from its row and raises for
// everything else.
#include <optional>
#include <unordered_map>

#include "main/case_fold.h"
#include "outlook/entry_id.h"
#include "outlook/property_schema.h"
#include "outlook/store_failure.h"
#include "pst/data_file_objects.h"

namespace tovask::outlook {

namespace {

using pst::ItemProperties;
using pst::PropertySet;
using pst::PropertySource;

constexpr PropertySource Tag(std::uint32_t id) { return {PropertySet::kNone, id, {}}; }

// What a contents-table row says of its item.
struct Row {
  std::uint32_t nodeId = 0;
  std::string messageClass;
  std::string subject;
  DateTime modified = NoDate();
};

class DataFileAddressEntry : public AddressEntry {
 public:
  DataFileAddressEntry(std::string name, std::string address, std::string type, std::string smtp)
      : name_(std::move(name)),
        address_(std::move(address)),
        type_(std::move(type)),
        smtp_(std::move(smtp)) {}

  std::string Name() override { return name_; }
  std::string Address() override { return address_; }
  std::string Type() override { return type_; }
  std::string SMTPAddress() override { return smtp_; }
  // A data file has no address book to say more of a sender.
  std::string FirstName() override { return {}; }
  std::string LastName() override { return {}; }
  std::string JobTitle() override { return {}; }
  std::string AssistantName() override { return {}; }
  std::string BusinessTelephoneNumber() override { return {}; }
  std::string MobileTelephoneNumber() override { return {}; }
  std::string StreetAddress() override { return {}; }

 private:
  std::string name_, address_, type_, smtp_;
};

class DataFileItem : public Item {
 public:
  DataFileItem(SourcePtr source, Row row, pst::PffItem item, ItemProperties properties,
               std::optional<Failure> damage)
      : source_(std::move(source)),
        row_(std::move(row)),
        item_(std::move(item)),
        properties_(std::move(properties)),
        damage_(std::move(damage)),
        entryId_(source_->EntryIdOf(row_.nodeId)) {
    messageClass_ =
        damage_ ? std::string() : properties_.Text(pst::kTagMessageClass, source_->ansi());
    if (messageClass_.empty()) messageClass_ = row_.messageClass;
  }

  std::string KindName() override { return KindNameOfClass(messageClass_); }

  Value GetProperty(std::string_view name) override {
    const PropertyInfo& info = Property(name);
    if (info.id == EntryIdProperty()) return entryId_;
    if (info.id == MessageClassProperty()) return messageClass_;
    if (info.id == SubjectProperty()) return Subject();
    if (info.id == LastModificationTimeProperty()) return LastModificationTime();
    CheckReadable();
    if (info.access == PropertyAccess::kComputed) {
      std::string first = Text(FirstNameProperty()), last = Text(LastNameProperty()),
                  suffix = Text(SuffixProperty()), company = Text(CompanyNameProperty()),
                  full = Text(FullNameProperty());
      return ComputeNameProperty(info.id, NameParts{first, last, suffix, company, full});
    }
    return Stored(info);
  }

  void SetProperty(std::string_view name, const Value&) override {
    Property(name);
    throw source_->ReadOnly("item " + entryId_);
  }

  void Save() override { throw source_->ReadOnly("item " + entryId_); }

  std::string EntryID() override { return entryId_; }

  void CopyTo(Folder& folder) override {
    if (auto* mark = dynamic_cast<DataFileFolderMark*>(&folder)) throw mark->ReadOnlyFailure();
    throw StoreFailure(kInvalidArgument,
                       "Items of an Outlook data file are not copied into other stores");
  }

  std::unique_ptr<AddressEntry> Sender() override {
    CheckReadable();
    const pst::CodePageText& ansi = source_->ansi();
    std::string name = properties_.Text(pst::kTagSenderName, ansi);
    std::string address = properties_.Text(pst::kTagSenderAddress, ansi);
    std::string type = properties_.Text(pst::kTagSenderAddressType, ansi);
    std::string smtp = properties_.Text(pst::kTagSenderSmtpAddress, ansi);
    if (name.empty() && address.empty()) {
      // Who the message was sent for stands in when it names no sender.
      name = properties_.Text(pst::kTagSentRepresentingName, ansi);
      address = properties_.Text(pst::kTagSentRepresentingAddress, ansi);
      type = properties_.Text(pst::kTagSentRepresentingAddressType, ansi);
      smtp = properties_.Text(pst::kTagSentRepresentingSmtpAddress, ansi);
    }
    if (name.empty() && address.empty()) return nullptr;
    if (smtp.empty() && EqualAsciiFolded(type, "SMTP")) smtp = address;
    return std::make_unique<DataFileAddressEntry>(std::move(name), std::move(address),
                                                  std::move(type), std::move(smtp));
  }

  std::string Subject() override {
    if (damage_) return row_.subject;
    std::string subject = pst::SubjectText(properties_.Text(pst::kTagSubject, source_->ansi()));
    return subject.empty() ? row_.subject : subject;
  }

  DateTime LastModificationTime() override {
    if (!damage_) {
      Value own =
          properties_.Get(Tag(pst::kTagLastModificationTime), PropertyKind::kDate, source_->ansi());
      // An .ost keeps the time only in the folder's contents table.
      if (std::get<DateTime>(own) != NoDate()) return std::get<DateTime>(own);
    }
    return row_.modified;
  }

 private:
  const PropertyInfo& Property(std::string_view name) const {
    const PropertyInfo* info = FindProperty(name);
    if (info == nullptr || (info->scopes & ScopeOfClass(messageClass_)) == 0) {
      throw StoreFailure(
          kNotFound, "An item of class " + messageClass_ + " has no property " + std::string(name));
    }
    return *info;
  }

  void CheckReadable() const {
    if (damage_) throw *damage_;
  }

  Value Stored(const PropertyInfo& info) const {
    const PropertySource* source = pst::SourceOf(info.id);
    if (source == nullptr) return UnsetValue(info.kind);
    return properties_.Get(*source, info.kind, source_->ansi());
  }

  std::string Text(PropertyId id) const {
    return std::move(std::get<std::string>(Stored(PropertyAt(id))));
  }

  SourcePtr source_;
  Row row_;
  pst::PffItem item_;  // before properties_, which reads through it
  ItemProperties properties_;
  std::optional<Failure> damage_;
  std::string entryId_;
  std::string messageClass_;
};

class DataFileItems : public Items {
 public:
  DataFileItems(SourcePtr source, int folderIndex)
      : source_(std::move(source)), folderIndex_(folderIndex) {
    pst::PffItem folder = source_->ItemByNode(source_->Folder(folderIndex_).nodeId);
    libpff_error_t* error = nullptr;
    libpff_item_t* table = nullptr;
    int found = libpff_folder_get_sub_messages(folder.get(), &table, &error);
    if (found == -1) {
      throw pst::PffFailure("cannot read the items of folder " + source_->FolderPath(folderIndex_),
                            error);
    }
    table_.reset(found == 1 ? table : nullptr);
    if (table_) {
      int rows = pst::RecordSetCount(table_.get());
      count_ = rows > 0 ? rows : 0;
    }
  }

  std::int32_t Count() override { return count_; }

  std::unique_ptr<Item> GetItem(std::int32_t index) override {
    if (index < 1 || index > count_) {
      throw StoreFailure(kNotFound, "There is no item at position " + std::to_string(index) +
                                        " of " + std::to_string(count_) + " in folder " +
                                        source_->FolderPath(folderIndex_));
    }
    Row row = ReadRow(index - 1);
    pst::PffItem item;
    ItemProperties properties;
    std::optional<Failure> damage;
    try {
      item = source_->ItemByNode(row.nodeId);
      properties = ItemProperties::Read(item.get(), 0);
    } catch (const Failure& failure) {
      // Known by its row, the item still tells what it is and when it
      // changed, so a walk can report it and go on.
      damage.emplace(failure.source(), failure.number(),
                     "The item " + source_->EntryIdOf(row.nodeId) + " (" + row.subject +
                         ") cannot be read: " + failure.description());
    }
    return std::make_unique<DataFileItem>(source_, std::move(row), std::move(item),
                                          std::move(properties), std::move(damage));
  }

  std::unique_ptr<Item> Find(std::string_view filter) override {
    std::optional<std::string> entryId = FindFilterEntryId(filter);
    if (!entryId) return nullptr;
    const std::string& id = *entryId;
    const std::string& prefix = source_->EntryIdPrefix();
    if (id.compare(0, prefix.size(), prefix) != 0) return nullptr;
    std::string little;
    for (std::size_t at = prefix.size(); at + 1 < id.size(); at += 2) {
      little.push_back(static_cast<char>(std::stoi(id.substr(at, 2), nullptr, 16)));
    }
    auto nodeId = static_cast<std::uint32_t>(pst::LittleEndian(little));
    // Only an item of this folder's table is found here.
    if (positions_.empty()) {
      for (std::int32_t i = 0; i < count_; ++i) positions_.emplace(ReadRow(i).nodeId, i + 1);
    }
    auto found = positions_.find(nodeId);
    if (found == positions_.end()) return nullptr;
    return GetItem(found->second);
  }

  std::unique_ptr<Item> Add(std::string_view) override {
    throw source_->ReadOnly("folder " + source_->FolderPath(folderIndex_));
  }

  void Remove(std::int32_t) override {
    throw source_->ReadOnly("folder " + source_->FolderPath(folderIndex_));
  }

 private:
  Row ReadRow(std::int32_t row) {
    ItemProperties cells = ItemProperties::Read(table_.get(), row);
    const pst::CodePageText& ansi = source_->ansi();
    std::optional<std::string> node = cells.Bytes(pst::kTagRowId);
    if (!node || node->size() != 4) {
      throw StoreFailure(kNotFound, "Row " + std::to_string(row + 1) + " of folder " +
                                        source_->FolderPath(folderIndex_) + " names no item");
    }
    Row read;
    read.nodeId = static_cast<std::uint32_t>(pst::LittleEndian(*node));
    read.messageClass = cells.Text(pst::kTagMessageClass, ansi);
    read.subject = pst::SubjectText(cells.Text(pst::kTagSubject, ansi));
    read.modified = std::get<DateTime>(
        cells.Get(Tag(pst::kTagLastModificationTime), PropertyKind::kDate, ansi));
    return read;
  }

  SourcePtr source_;
  int folderIndex_;
  pst::PffItem table_;
  std::int32_t count_ = 0;
  std::unordered_map<std::uint32_t, std::int32_t> positions_;
};

}  // namespace

std::unique_ptr<Items> MakeDataFileItems(const SourcePtr& source, int folderIndex) {
  return std::make_unique<DataFileItems>(source, folderIndex);
}

}  // namespace tovask::outlook
