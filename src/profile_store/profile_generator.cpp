#include "profile_store/profile_generator.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "main/case_fold.h"
#include "main/failure.h"
#include "outlook/entry_id.h"
#include "outlook/outlook.h"
#include "outlook/property_schema.h"
#include "profile_store/sample_data.h"

namespace tovask::outlook {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kMailSpanSeconds = 730 * kSecondsPerDay;

// Streams of the generator; each (stream, index) pair has its own random
// sequence, so any contact or mail can be made without making the others.
enum Stream : std::uint64_t { kPersonStream = 1, kContactStream, kSenderStream, kMailStream };

std::uint64_t Mix(std::uint64_t x) {
  // splitmix64's finaliser: every input bit reaches every output bit.
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// A small deterministic generator; std:: distributions differ between
// standard libraries, which would make a seed mean different profiles.
class Random {
 public:
  Random(std::uint64_t seed, Stream stream, std::int64_t index)
      : state_(
            Mix(seed ^ Mix(stream * 0x100000001B3ull ^ Mix(static_cast<std::uint64_t>(index))))) {}

  std::uint64_t Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    return Mix(state_);
  }
  std::int64_t Below(std::int64_t bound) {
    return static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(bound));
  }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  bool Chance(double probability) { return Unit() < probability; }
  template <typename T>
  const T& Pick(std::span<const T> list) {
    return list[static_cast<std::size_t>(Below(static_cast<std::int64_t>(list.size())))];
  }
  std::string Digits(int count) {
    std::string digits;
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + Below(10));
    return digits;
  }

 private:
  std::uint64_t state_;
};

// Lower-case ASCII for the local part of a mail address: umlauts and accents
// spelled out or dropped, blanks and apostrophes left out.
std::string MailPart(std::string_view name) {
  static constexpr std::pair<std::string_view, std::string_view> kSpellings[] = {
      {"ä", "ae"}, {"ö", "oe"}, {"ü", "ue"}, {"ß", "ss"}, {"é", "e"},  {"è", "e"},
      {"ë", "e"},  {"í", "i"},  {"á", "a"},  {"ó", "o"},  {"ø", "o"},  {"å", "a"},
      {"ł", "l"},  {"ń", "n"},  {"Ø", "o"},  {"Å", "a"},  {"Ö", "oe"}, {"Ü", "ue"}};
  std::string part;
  for (std::size_t i = 0; i < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
        part += AsciiLower(static_cast<char>(c));
      ++i;
      continue;
    }
    bool spelled = false;
    for (const auto& [letter, spelling] : kSpellings) {
      if (name.substr(i).starts_with(letter)) {
        part += spelling;
        i += letter.size();
        spelled = true;
        break;
      }
    }
    if (!spelled) {
      // Some other letter: skip its whole UTF-8 sequence.
      ++i;
      while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return part;
}

// One made-up person; contacts and senders of the same person index agree.
struct Person {
  std::string firstName, middleName, lastName;
  bool female = false;
  const sample::Company* company = nullptr;
  const sample::Place* place = nullptr;
  bool exchange = false;  // reached through the company's Exchange server
  std::string smtpAddress;
  std::string exchangeAddress;
  std::string jobTitle;
  std::string phone;
};

Person MakePerson(std::uint64_t seed, std::int64_t personIndex) {
  Random random(seed, kPersonStream, personIndex);
  Person person;
  person.female = random.Chance(0.5);
  person.firstName =
      random.Pick(person.female ? sample::FemaleFirstNames() : sample::MaleFirstNames());
  if (random.Chance(0.3)) {
    person.middleName =
        random.Pick(random.Chance(0.5) ? sample::FemaleFirstNames() : sample::MaleFirstNames());
    if (person.middleName == person.firstName) person.middleName.clear();
  }
  person.lastName = random.Pick(sample::LastNames());
  person.company = &random.Pick(sample::Companies());
  person.place = &random.Pick(sample::Places());
  person.exchange = random.Chance(0.1);
  std::string local = MailPart(person.firstName) + "." + MailPart(person.lastName);
  // Common names collide; a number keeps most addresses apart, as real ones do.
  if (random.Chance(0.4)) local += std::to_string(random.Below(100));
  person.smtpAddress = local + "@" +
                       std::string(random.Chance(0.75) ? person.company->domain
                                                       : random.Pick(sample::MailDomains()));
  if (person.exchange) {
    person.exchangeAddress =
        "/o=ExchangeLabs/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=" +
        std::to_string(Mix(seed ^ static_cast<std::uint64_t>(personIndex)) % 1000000007) + "-" +
        local;
  }
  person.jobTitle = random.Pick(sample::JobTitles());
  person.phone = std::string(person.place->phonePrefix) + random.Digits(3) + " " + random.Digits(4);
  return person;
}

// A mobile number of the place's country: its country code, then digits.
std::string MobileNumber(Random& random, const sample::Place& place) {
  std::string_view country = place.phonePrefix.substr(0, place.phonePrefix.find(' '));
  return std::string(country) + " 1" + random.Digits(2) + " " + random.Digits(7);
}

std::string FullName(const Person& person) {
  std::string name = person.firstName;
  if (!person.middleName.empty()) name += " " + person.middleName;
  return name + " " + person.lastName;
}

std::string AddressBlock(const std::string& street, const sample::Place& place) {
  std::string block = street + "\n" + std::string(place.postalCode) + " " + std::string(place.city);
  if (!place.state.empty()) block += ", " + std::string(place.state);
  return block + "\n" + std::string(place.country);
}

// A day between `from` and `until`, at midnight.
DateTime DayBetween(Random& random, int fromYear, int untilYear) {
  int year = fromYear + static_cast<int>(random.Below(untilYear - fromYear + 1));
  int month = 1 + static_cast<int>(random.Below(12));
  int day = 1 + static_cast<int>(random.Below(28));
  return *DateTime::FromParts(year, month, day);
}

// Every mail of the generator; `senderIds` holds the builder's ids of the
// sender pool, `daemonIds` those of the mailer daemons.
struct MailSource {
  std::uint64_t seed;
  DateTime until;
  std::int64_t count;
  const std::vector<std::int64_t>* senderIds;
  const std::vector<std::int64_t>* daemonIds;
};

// Mail number `index` of `source.count`, arriving in order over the two years
// before `until`; returns the sender's address entry id.
std::int64_t MakeMail(const MailSource& source, std::int64_t index, ItemData& item) {
  Random random(source.seed, kMailStream, index);
  std::string subject = std::string(random.Pick(sample::SubjectPrefixes())) +
                        std::string(random.Pick(sample::MailTopics()));
  if (random.Chance(0.3)) subject += " #" + std::to_string(1000 + random.Below(9000));
  double roll = random.Unit();
  std::int64_t senderId;
  if (roll < 0.005 && !source.daemonIds->empty()) {
    item.messageClass = "REPORT.IPM.Note.NDR";
    subject = "Undeliverable: " + subject;
    senderId = random.Pick(std::span<const std::int64_t>(*source.daemonIds));
  } else {
    item.messageClass = roll < 0.03 ? "IPM.Note.SMIME" : "IPM.Note";
    const auto& ids = *source.senderIds;
    senderId = ids[static_cast<std::size_t>(
        SkewedRank(random.Unit(), static_cast<std::int64_t>(ids.size())))];
  }
  std::int64_t spacing =
      std::max<std::int64_t>(1, kMailSpanSeconds / std::max<std::int64_t>(1, source.count));
  std::int64_t arrival = source.until.UnixSeconds() - kMailSpanSeconds +
                         index * kMailSpanSeconds / std::max<std::int64_t>(1, source.count) +
                         random.Below(spacing);
  item.entryId.clear();
  item.faults.clear();
  item.created = DateTime::FromUnixSeconds(arrival);
  item.modified =
      DateTime::FromUnixSeconds(arrival + (random.Chance(0.1) ? random.Below(kSecondsPerDay) : 0));
  item.props.clear();
  item.props.emplace_back("Subject", Value(std::move(subject)));
  return senderId;
}

// Entry identifiers of a generated profile: a prefix of the seed and a serial
// number, so that a seed gives the same identifiers every time (the store's
// own ones start from a random prefix).
class EntryIds {
 public:
  explicit EntryIds(std::uint64_t seed) {
    std::uint64_t halves[] = {Mix(seed ^ 0x5EED), Mix(seed ^ 0xF00D)};
    for (std::size_t i = 0; i < prefix_.size(); ++i) {
      prefix_[i] = static_cast<std::uint8_t>(halves[i / 8] >> (56 - 8 * (i % 8)));
    }
  }
  std::string Next() { return MakeEntryId(prefix_, ++serial_); }

 private:
  EntryIdPrefix prefix_{};
  std::uint64_t serial_ = 0;
};

void AddMails(ProfileBuilder& builder, std::int64_t folderId, const MailSource& source,
              EntryIds& ids) {
  ItemData item;
  for (std::int64_t i = 0; i < source.count; ++i) {
    std::int64_t senderId = MakeMail(source, i, item);
    item.entryId = ids.Next();
    builder.AddItem(folderId, item, senderId);
  }
}

AddressEntryData MakeDaemon(int number) {
  AddressEntryData entry;
  entry.name = number == 0 ? "Mail Delivery Subsystem" : "Mail Delivery System";
  entry.address = "MAILER-DAEMON@mx" + std::to_string(number + 1) + ".mail.example";
  entry.type = "SMTP";
  entry.smtpAddress = entry.address;
  return entry;
}

}  // namespace

std::int64_t SkewedRank(double unit, std::int64_t count) {
  // Log-uniform ranks: the continuous form of a Zipf law of exponent 1.
  double rank = std::floor(std::exp(unit * std::log(static_cast<double>(count) + 1.0))) - 1.0;
  if (rank < 0) return 0;
  if (rank >= static_cast<double>(count)) return count - 1;
  return static_cast<std::int64_t>(rank);
}

PersonalFolders AddPersonalFolders(ProfileBuilder& builder) {
  PersonalFolders folders;
  folders.root = builder.AddStore(kPersonalFoldersName, false, {}, kMailItem, {});
  folders.inbox = builder.AddFolder(folders.root, "Inbox", kMailItem, {});
  folders.sentItems = builder.AddFolder(folders.root, "Sent Items", kMailItem, {});
  folders.drafts = builder.AddFolder(folders.root, "Drafts", kMailItem, {});
  folders.deletedItems = builder.AddFolder(folders.root, "Deleted Items", kMailItem, {});
  folders.contacts = builder.AddFolder(folders.root, "Contacts", kContactItem, {});
  builder.AddFolder(folders.root, "Calendar", kAppointmentItem, {});
  builder.AddFolder(folders.root, "Tasks", kTaskItem, {});
  builder.AddFolder(folders.root, "Notes", kNoteItem, {});
  builder.AddFolder(folders.root, "Journal", kJournalItem, {});
  return folders;
}

void MakeContact(std::uint64_t seed, std::int64_t index, DateTime until, ItemData& item) {
  Person person = MakePerson(seed, index);
  Random random(seed, kContactStream, index);
  item.messageClass = "IPM.Contact";
  item.entryId.clear();
  item.faults.clear();
  std::int64_t now = until.UnixSeconds();
  std::int64_t created = now - random.Below(5 * 365 * kSecondsPerDay);
  item.created = DateTime::FromUnixSeconds(created);
  item.modified = DateTime::FromUnixSeconds(created + random.Below(now - created + 1));

  auto& props = item.props;
  props.clear();
  auto text = [&props](const char* name, std::string value) {
    props.emplace_back(name, Value(std::move(value)));
  };
  std::string fullName = FullName(person);
  text("FirstName", person.firstName);
  text("LastName", person.lastName);
  if (!person.middleName.empty()) text("MiddleName", person.middleName);
  text("FullName", fullName);
  text("FileAs", person.lastName + ", " + person.firstName);
  text("Subject", fullName);
  std::string initials = person.firstName.substr(0, 1) + ".";
  if (!person.middleName.empty()) initials += " " + person.middleName.substr(0, 1) + ".";
  text("Initials", initials + " " + person.lastName.substr(0, 1) + ".");
  if (random.Chance(0.4))
    text("Title", random.Chance(0.2) ? "Dr." : (person.female ? "Ms." : "Mr."));
  if (random.Chance(0.05)) text("Suffix", random.Chance(0.5) ? "Jr." : "PhD");
  if (random.Chance(0.15)) text("NickName", person.firstName.substr(0, 3));
  props.emplace_back("Gender", Value(std::int64_t{person.female ? 1 : 2}));

  text("CompanyName", std::string(person.company->name));
  text("JobTitle", person.jobTitle);
  text("Department", std::string(random.Pick(sample::Departments())));
  text("OfficeLocation",
       "Building " + std::to_string(1 + random.Below(9)) + "/" + random.Digits(3));
  text("BusinessHomePage", "https://www." + std::string(person.company->domain) + "/");
  if (random.Chance(0.1))
    text("AssistantName", std::string(random.Pick(sample::FemaleFirstNames())) + " " +
                              std::string(random.Pick(sample::LastNames())));

  // One to three addresses; the first follows the person (Exchange or SMTP).
  std::int64_t mails = 1 + (random.Chance(0.45) ? 1 : 0) + (random.Chance(0.15) ? 1 : 0);
  for (std::int64_t n = 1; n <= mails; ++n) {
    std::string prefix = "Email" + std::to_string(n);
    std::string address = person.smtpAddress;
    std::string type = "SMTP";
    if (n == 1 && person.exchange) {
      address = person.exchangeAddress;
      type = "EX";
    } else if (n > 1) {
      address = MailPart(person.firstName) + (n == 2 ? "." : "_") + MailPart(person.lastName) +
                "@" + std::string(random.Pick(sample::MailDomains()));
    }
    std::string shown = type == "EX" ? fullName : fullName + " (" + address + ")";
    text((prefix + "Address").c_str(), address);
    text((prefix + "AddressType").c_str(), type);
    text((prefix + "DisplayName").c_str(), shown);
  }

  text("BusinessTelephoneNumber", person.phone);
  const sample::Place& home = random.Chance(0.8) ? *person.place : random.Pick(sample::Places());
  text("HomeTelephoneNumber",
       std::string(home.phonePrefix) + random.Digits(3) + " " + random.Digits(4));
  text("MobileTelephoneNumber", MobileNumber(random, *person.place));
  if (random.Chance(0.3))
    text("BusinessFaxNumber", person.phone.substr(0, person.phone.size() - 2) + "99");

  std::string businessStreet =
      std::string(random.Pick(sample::Streets())) + " " + std::to_string(1 + random.Below(200));
  text("BusinessAddressStreet", businessStreet);
  text("BusinessAddressCity", std::string(person.place->city));
  if (!person.place->state.empty()) text("BusinessAddressState", std::string(person.place->state));
  text("BusinessAddressPostalCode", std::string(person.place->postalCode));
  text("BusinessAddressCountry", std::string(person.place->country));
  text("BusinessAddress", AddressBlock(businessStreet, *person.place));
  std::string homeStreet =
      std::string(random.Pick(sample::Streets())) + " " + std::to_string(1 + random.Below(120));
  text("HomeAddressStreet", homeStreet);
  text("HomeAddressCity", std::string(home.city));
  if (!home.state.empty()) text("HomeAddressState", std::string(home.state));
  text("HomeAddressPostalCode", std::string(home.postalCode));
  text("HomeAddressCountry", std::string(home.country));
  text("HomeAddress", AddressBlock(homeStreet, home));
  props.emplace_back("SelectedMailingAddress", Value(std::int64_t{2}));  // the business address

  int untilYear = until.Year();
  props.emplace_back("Birthday", Value(DayBetween(random, untilYear - 70, untilYear - 18)));
  if (random.Chance(0.2))
    props.emplace_back("Anniversary", Value(DayBetween(random, untilYear - 40, untilYear - 1)));
  if (random.Chance(0.25))
    text("Spouse", std::string(random.Pick(person.female ? sample::MaleFirstNames()
                                                         : sample::FemaleFirstNames())));
  if (random.Chance(0.5))
    text("WebPage",
         "https://" + MailPart(person.firstName) + MailPart(person.lastName) + ".blog.example/");
  text("User1", "Customer no. " + random.Digits(6));
  if (random.Chance(0.5)) text("User2", random.Chance(0.5) ? "Newsletter" : "No newsletter");
  text("CustomerID", "C-" + random.Digits(7));
  std::string categories(random.Pick(sample::Categories()));
  if (random.Chance(0.3))
    categories +=
        std::string(kMultiValueSeparator) + std::string(random.Pick(sample::Categories()));
  text("Categories", categories);
  text("Language", person.place->country == "Germany" ? "de-DE" : "en-US");
}

AddressEntryData MakeSender(std::uint64_t seed, std::int64_t index, std::int64_t contacts) {
  // Even senders are people of the Contacts folder while there are any, so
  // the most frequent senders are mostly known; the rest are strangers.
  std::int64_t personIndex = index % 2 == 0 && index / 2 < contacts ? index / 2 : contacts + index;
  Person person = MakePerson(seed, personIndex);
  Random random(seed, kSenderStream, index);
  AddressEntryData entry;
  entry.name = FullName(person);
  entry.firstName = person.firstName;
  entry.lastName = person.lastName;
  entry.smtpAddress = person.smtpAddress;
  if (person.exchange) {
    entry.address = person.exchangeAddress;
    entry.type = "EX";
    entry.jobTitle = person.jobTitle;
    entry.businessTelephoneNumber = person.phone;
    if (random.Chance(0.3)) entry.mobileTelephoneNumber = MobileNumber(random, *person.place);
    if (random.Chance(0.2))
      entry.assistantName = std::string(random.Pick(sample::FemaleFirstNames()));
    entry.streetAddress =
        std::string(random.Pick(sample::Streets())) + " " + std::to_string(1 + random.Below(99));
  } else {
    entry.address = person.smtpAddress;
    entry.type = "SMTP";
  }
  return entry;
}

void GenerateProfile(const std::string& profilePath, const GeneratorOptions& options) {
  if (options.contacts < 0 || options.mails < 0 || options.senders < 0) {
    throw Failure("tovask-store", 2, "counts must not be negative");
  }
  if (options.mails > 0 && options.senders == 0) {
    throw Failure("tovask-store", 2, "mails need at least one sender");
  }
  ProfileBuilder builder(profilePath);
  PersonalFolders folders = AddPersonalFolders(builder);

  EntryIds ids(options.seed);
  ItemData contact;
  for (std::int64_t i = 0; i < options.contacts; ++i) {
    MakeContact(options.seed, i, options.until, contact);
    contact.entryId = ids.Next();
    builder.AddItem(folders.contacts, contact, 0);
  }

  if (options.mails > 0) {
    std::vector<std::int64_t> senderIds;
    senderIds.reserve(static_cast<std::size_t>(options.senders));
    for (std::int64_t k = 0; k < options.senders; ++k) {
      senderIds.push_back(builder.AddAddressEntry(MakeSender(options.seed, k, options.contacts)));
    }
    std::vector<std::int64_t> daemonIds{builder.AddAddressEntry(MakeDaemon(0)),
                                        builder.AddAddressEntry(MakeDaemon(1))};
    AddMails(builder, folders.inbox,
             {options.seed, options.until, options.mails, &senderIds, &daemonIds}, ids);

    // The owner's own mails; a separate seed keeps them apart from the Inbox's.
    AddressEntryData owner = MakeSender(Mix(options.seed), 1, 0);
    std::vector<std::int64_t> ownerIds{builder.AddAddressEntry(owner)};
    std::vector<std::int64_t> noDaemons;
    AddMails(builder, folders.sentItems,
             {Mix(options.seed) + 1, options.until, kGeneratedSentMails, &ownerIds, &noDaemons},
             ids);
    AddMails(builder, folders.deletedItems,
             {Mix(options.seed) + 2, options.until, kGeneratedDeletedMails, &senderIds, &daemonIds},
             ids);
  }
  builder.Commit();
}

}  // namespace tovask::outlook
