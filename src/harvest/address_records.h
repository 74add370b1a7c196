// The harvest's senders: counting each distinct sender of the recent mail,
// and writing one contact record per sender into the contact document.
#pragma once

#include <cstdint>
#include <memory>

#include "main/keyed_collection.h"
#include "main/xml_writer.h"
#include "outlook/outlook.h"

namespace tovask {

// Senders keyed by their stored address (AddressEntry::Address()), compared
// without regard to case, in the order they were added.
using SeenSenders = KeyedCollection<std::unique_ptr<outlook::AddressEntry>>;

// Counts the sender of one recent mail message. Passed over: no sender, a
// sender whose address is empty, and mailer daemons and postmasters (an
// address beginning "mailer-daemon@" or "postmaster@" in any letter case).
// A sender met for the first time joins `seenOnce`; met a second time, it
// moves to `seenRepeatedly` (the entry of this second message is kept);
// after that it is counted no more.
//
// Never raises: a failure (the address cannot be read) is noted and logged
// as "Error harvesting address - <address> <failure>", and the message is
// not counted.
void CountSender(std::unique_ptr<outlook::AddressEntry> sender, SeenSenders& seenOnce,
                 SeenSenders& seenRepeatedly);

// Appends one <contact> record per sender, in the collection's order, to the
// element open in `document` (the root), each holding in this order:
//   EntryID, Email1AddressType, Email1Address (the stored address and its
//   type), Email1DisplayName (the SMTP address, only when it differs from
//   the stored address), AssistantName, BusinessTelephoneNumber, FirstName,
//   JobTitle, LastName, MobileTelephoneNumber, FileAs (the display name,
//   only when it is neither the address nor "First Last", "Last First" or
//   "Last, First"), OtherAddress (the street address), and Count holding
//   `count` in decimal.
// Empty values leave their element out; Count is always there.
//
// Reading a value is part of adding its element: a value that cannot be read
// leaves its element out and is logged there ("Error exporting contact
// ..."). A failure of the record itself (its display name or address cannot
// be read, nor the names the file-as test needs) is noted and logged as
// "Error saving - <address>, <failure>"; the record keeps what it had and is
// closed, and the next sender follows.
void WriteAddressRecords(XmlWriter& document, SeenSenders& senders, std::int16_t count);

}  // namespace tovask
