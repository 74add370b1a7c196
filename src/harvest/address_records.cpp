#include "harvest/address_records.h"

#include <string>
#include <string_view>
#include <utility>

#include "main/case_fold.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/xml_elements.h"

namespace tovask {

namespace {

// Delivery reports come from these; they are never people to keep.
constexpr std::string_view kDaemonPrefixes[] = {"mailer-daemon@", "postmaster@"};

bool IsDaemonAddress(std::string_view address) {
  for (std::string_view prefix : kDaemonPrefixes) {
    if (address.size() >= prefix.size() &&
        EqualAsciiFolded(address.substr(0, prefix.size()), prefix)) {
      return true;
    }
  }
  return false;
}

// The display name is worth keeping as the file-as name only when it says
// more than the address or the plain joins of the person's names.
bool IsFileAsWritten(const std::string& name, const std::string& address,
                     outlook::AddressEntry& sender) {
  if (name.empty() || name == address) return false;
  const std::string first = sender.FirstName();
  const std::string last = sender.LastName();
  return name != first + " " + last && name != last + " " + first && name != last + ", " + first;
}

void WriteAddressRecord(XmlWriter& document, outlook::AddressEntry& sender,
                        const std::string& countText) {
  const std::string name = sender.Name();
  const std::string address = sender.Address();
  auto add = [&](std::string_view element, std::string (outlook::AddressEntry::*read)()) {
    AddTextElement(document, name, element, [&] { return Value((sender.*read)()); });
  };
  AddTextElement(document, name, "EntryID", address);
  add("Email1AddressType", &outlook::AddressEntry::Type);
  AddTextElement(document, name, "Email1Address", address);
  AddTextElement(document, name, "Email1DisplayName", [&] {
    std::string smtp = sender.SMTPAddress();
    return smtp == address ? Value() : Value(std::move(smtp));
  });
  add("AssistantName", &outlook::AddressEntry::AssistantName);
  add("BusinessTelephoneNumber", &outlook::AddressEntry::BusinessTelephoneNumber);
  add("FirstName", &outlook::AddressEntry::FirstName);
  add("JobTitle", &outlook::AddressEntry::JobTitle);
  add("LastName", &outlook::AddressEntry::LastName);
  add("MobileTelephoneNumber", &outlook::AddressEntry::MobileTelephoneNumber);
  if (IsFileAsWritten(name, address, sender)) AddCDataElement(document, "FileAs", name);
  add("OtherAddress", &outlook::AddressEntry::StreetAddress);
  AddCDataElement(document, "Count", countText);
}

}  // namespace

void CountSender(std::unique_ptr<outlook::AddressEntry> sender, SeenSenders& seenOnce,
                 SeenSenders& seenRepeatedly) {
  if (!sender) return;
  std::string address;
  try {
    address = sender->Address();
    // An unset address is no sender at all: nothing to key or record it by.
    if (address.empty() || IsDaemonAddress(address)) return;
    if (HasKey(seenRepeatedly, address)) return;
    if (HasKey(seenOnce, address)) {
      seenRepeatedly.Add(address, std::move(sender));
      seenOnce.Remove(address);
    } else {
      seenOnce.Add(address, std::move(sender));
    }
  } catch (const Failure& failure) {
    NoteTrappedFailure();
    Log([&] { return "Error harvesting address - " + address + " " + FailureTail(failure); });
  }
}

void WriteAddressRecords(XmlWriter& document, SeenSenders& senders, std::int16_t count) {
  const std::string countText = std::to_string(count);
  for (auto sender = senders.begin(); sender != senders.end(); ++sender) {
    document.StartElement("contact");
    try {
      WriteAddressRecord(document, **sender, countText);
    } catch (const Failure& failure) {
      NoteTrappedFailure();
      Log([&] {
        return "Error saving - " + std::string(sender.key()) + ", " + FailureTail(failure);
      });
    }
    document.EndElement();
  }
}

}  // namespace tovask
