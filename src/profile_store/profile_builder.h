// Bulk writing of a whole profile: the stores, their folder trees, the items
// and the address entries, in one transaction.
//
// Used by the profile loader (JSON documents), the profile generator and the
// tests. Each call checks its input and raises tovask::Failure for anything
// the store would not hold (an unknown property for the message class, a value
// of the wrong kind or out of its range, folders nested too deep, a duplicate
// entry identifier), so a caller can reject a whole document: nothing reaches
// the file unless Commit() is called. Store names, and names of sibling
// folders, may repeat, as they do in real profiles.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "main/date_time.h"
#include "main/value.h"

namespace tovask::outlook {

// An address-book entry (a mail's sender). Missing values are empty.
struct AddressEntryData {
  std::string name, address, type, smtpAddress, firstName, lastName, jobTitle, assistantName,
      businessTelephoneNumber, mobileTelephoneNumber, streetAddress;
  std::vector<std::string> faults;

  // The eleven texts in the order of kAddressEntryKeys (and of the store's
  // columns).
  std::array<std::string*, 11> Fields() { return FieldsOf(*this); }
  std::array<const std::string*, 11> Fields() const { return FieldsOf(*this); }

 private:
  template <typename Entry>
  static auto FieldsOf(Entry& entry) -> std::array<decltype(&entry.name), 11> {
    return std::array{&entry.name,
                      &entry.address,
                      &entry.type,
                      &entry.smtpAddress,
                      &entry.firstName,
                      &entry.lastName,
                      &entry.jobTitle,
                      &entry.assistantName,
                      &entry.businessTelephoneNumber,
                      &entry.mobileTelephoneNumber,
                      &entry.streetAddress};
  }
};

// The JSON keys of an address entry's texts, in the order of Fields().
inline constexpr const char* kAddressEntryKeys[11] = {"name",
                                                      "address",
                                                      "type",
                                                      "smtpAddress",
                                                      "firstName",
                                                      "lastName",
                                                      "jobTitle",
                                                      "assistantName",
                                                      "businessTelephoneNumber",
                                                      "mobileTelephoneNumber",
                                                      "streetAddress"};

struct ItemData {
  std::string messageClass;                          // "IPM.Contact", "IPM.Note", ...
  std::string entryId;                               // empty: the store assigns one
  std::optional<DateTime> created, modified;         // missing: now
  std::vector<std::pair<std::string, Value>> props;  // stored properties by name
  std::vector<std::string> faults;
};

class ProfileWriter;

// Writes a whole profile in one transaction, replacing everything the file
// held (creates the file and its schema when missing). Without Commit()
// nothing changes. Not copyable; one builder per file at a time (it holds the
// write lock from construction to Commit() or destruction). The replacing
// profile gets a new entry identifier prefix, and ids of its rows above
// those of the profile it replaces, so sessions of the old one notice.
class ProfileBuilder {
 public:
  // Opens (or creates) the profile and starts the replacing transaction,
  // waiting up to the busy timeout for another writer. Raises when the file
  // cannot be opened or is not a profile (nor empty), writing nothing to it.
  explicit ProfileBuilder(const std::string& profilePath);
  ~ProfileBuilder();  // rolls back unless committed
  ProfileBuilder(const ProfileBuilder&) = delete;
  ProfileBuilder& operator=(const ProfileBuilder&) = delete;

  // Adds a store and its root folder (named like the store); returns the root
  // folder's id.
  std::int64_t AddStore(const std::string& name, bool readOnly,
                        const std::vector<std::string>& storeFaults, int rootDefaultItemType,
                        const std::vector<std::string>& rootFaults);

  // Adds a store that is an attached Outlook data file: read-only, its
  // folders in the file. `path` is kept as given (callers make it absolute);
  // raises when another data file of the same record key is added.
  void AddDataFileStore(const std::string& name, const std::string& path,
                        const std::string& recordKey);

  // Adds a subfolder at the end of the parent's subfolders; returns its id.
  // Raises for an unknown parent, a default item type outside 0..6 and a
  // folder more than kMaxFolderDepth levels below its store's root.
  std::int64_t AddFolder(std::int64_t parentFolderId, const std::string& name, int defaultItemType,
                         const std::vector<std::string>& faults);

  // Adds an address entry; the id may be shared by many mails.
  std::int64_t AddAddressEntry(const AddressEntryData& entry);

  // Adds an item at the end of the folder's order. Properties are checked
  // against the message class's schema (names without regard to case; dates
  // as DateTime, numbers as int64_t, booleans as bool, texts as string; a
  // clearing value such as "" or the zero date leaves the property unset).
  // A given entry identifier must be 48 hexadecimal characters (kept in upper
  // case) and unique. senderId 0 means none.
  void AddItem(std::int64_t folderId, const ItemData& item, std::int64_t senderId);

  // Makes everything visible at once. Raises when the commit fails; the
  // builder is spent afterwards: every call raises.
  void Commit();

 private:
  ProfileWriter& Writer();  // raises once committed

  std::unique_ptr<ProfileWriter> writer_;
};

}  // namespace tovask::outlook
