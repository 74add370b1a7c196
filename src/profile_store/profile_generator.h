// Realistic profiles for benchmarks and trials: the usual folder set of a new
// Outlook profile, and a generator that fills it with contacts and mails.
//
// Everything the generator makes follows from the seed and the `until`
// moment alone, so two runs with the same options write the same profile.
// It streams items into a ProfileBuilder one at a time: memory stays flat
// however many items are asked for.
#pragma once

#include <cstdint>
#include <string>

#include "main/date_time.h"
#include "profile_store/profile_builder.h"

namespace tovask::outlook {

inline constexpr const char* kPersonalFoldersName = "Personal Folders";

// The folders of the store that AddPersonalFolders() writes.
struct PersonalFolders {
  std::int64_t root = 0;
  std::int64_t inbox = 0;
  std::int64_t sentItems = 0;
  std::int64_t drafts = 0;
  std::int64_t deletedItems = 0;
  std::int64_t contacts = 0;
};

// Adds the writable store "Personal Folders" whose root (a mail folder) holds,
// in this order, Inbox, Sent Items, Drafts, Deleted Items (mail), Contacts,
// Calendar, Tasks, Notes and Journal, all empty. Raises what the builder raises.
PersonalFolders AddPersonalFolders(ProfileBuilder& builder);

struct GeneratorOptions {
  std::int64_t contacts = 0;  // items in Contacts
  std::int64_t mails = 0;     // items in Inbox
  std::int64_t senders = 0;   // address entries the Inbox senders are drawn from
  std::uint64_t seed = 1;
  // The newest modification time; mails spread over the two years before it.
  DateTime until;
};

// Mails put into Sent Items and Deleted Items when the Inbox gets any.
inline constexpr std::int64_t kGeneratedSentMails = 5;
inline constexpr std::int64_t kGeneratedDeletedMails = 3;

// Replaces the profile at `profilePath` (creating it when missing) with the
// personal folders and, in one transaction:
// - Contacts: `contacts` contacts of about 40 filled fields each;
// - Inbox: `mails` mails (mostly IPM.Note, some IPM.Note.SMIME, a few
//   REPORT.IPM.Note.NDR from mailer daemons) in arrival order, whose senders
//   are drawn from `senders` address entries, the first ones far more often
//   than the last (a Zipf-like skew); about half of the senders are people
//   of the Contacts folder too;
// - Sent Items and Deleted Items: a few mails when `mails` is not zero.
// Entry identifiers, too, follow from the seed.
// Raises a Failure for negative counts, for mails without senders, and for
// whatever the store raises; the profile is then left as it was.
void GenerateProfile(const std::string& profilePath, const GeneratorOptions& options);

// The pieces of the generator, for tests. Each call depends only on the seed
// and the index, never on earlier calls.

// Contact number `index` (from 0): a contact of class IPM.Contact with about
// 40 filled properties and no entry identifier, created and modified within the five years before
// `until`. `item` is overwritten; reusing one ItemData keeps allocations down.
void MakeContact(std::uint64_t seed, std::int64_t index, DateTime until, ItemData& item);

// Address entry number `index` (from 0) of the sender pool of a profile with
// `contacts` contacts.
AddressEntryData MakeSender(std::uint64_t seed, std::int64_t index, std::int64_t contacts);

// A Zipf-like pick from `count` ranks: rank k (from 0) comes up with a
// probability close to 1 / ((k + 1) * ln(count + 1)). `unit` is uniform in
// [0, 1); the result is in [0, count).
std::int64_t SkewedRank(double unit, std::int64_t count);

}  // namespace tovask::outlook
