// The data-file backend through the access interface, on the sample files.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "outlook/store_failure.h"
#include "profile_store/test_profile.h"
#include "pst/data_file_source.h"
#include "pst/property_sources.h"
#include "pst/sample_files.h"

namespace tovask::outlook {
namespace {

using testing::LogOn;
using testing::ProfileWithDataFiles;
using testing::RaisedBy;
using testing::SampleFile;
using testing::TestProfile;

struct ZoneReread {
  ~ZoneReread() { tzset(); }
};

// A profile of the embedded "Personal Folders" and the sample files as
// stores named Sample, Outlook, Ost, Damaged, Dist, Ansi and Unicode, read in
// UTC so that dates compare as written.
class DataFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOVASK_SKIP_WITHOUT_SAMPLE_FILES();
    tzset();
    profile_.emplace(ProfileWithDataFiles({{"Sample", SampleFile("SampleContacts.pst")},
                                           {"Outlook", SampleFile("Outlook_1.pst")},
                                           {"Ost", SampleFile("SampleOstFile.ost")},
                                           {"Damaged", SampleFile("damaged-items.pst")},
                                           {"Dist", SampleFile("dist-list.pst")},
                                           {"Ansi", SampleFile("test_ansi.pst")},
                                           {"Unicode", SampleFile("test_unicode.pst")}}));
    session_ = LogOn();
  }

  std::unique_ptr<Items> ItemsOf(const std::string& path) {
    return session_->GetFolderFromPath(path)->GetItems();
  }

  ZoneReread reread_;
  testing::ScopedEnv zone_{"TZ", "UTC"};
  std::optional<TestProfile> profile_;
  std::unique_ptr<Session> session_;
};

void TreeLines(Folder& folder, std::vector<std::string>& lines) {
  lines.push_back(folder.FolderPath() + " " + std::to_string(folder.DefaultItemType()) + " " +
                  std::to_string(folder.GetItems()->Count()));
  std::unique_ptr<Folders> subfolders = folder.GetFolders();
  for (std::int32_t i = 1; i <= subfolders->Count(); ++i)
    TreeLines(*subfolders->GetFolder(i), lines);
}

TEST_F(DataFileStoreTest, StoresFollowTheProfileAndShowTheirIpmSubtrees) {
  std::vector<std::string> names;
  for (const auto& store : session_->Stores()) names.push_back(store->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Personal Folders", "Sample", "Outlook", "Ost",
                                             "Damaged", "Dist", "Ansi", "Unicode"}));

  // Search folders, views, reminders and hidden folders are not shown.
  std::vector<std::string> ost;
  TreeLines(*session_->GetFolderFromPath("\\\\Ost"), ost);
  EXPECT_EQ(ost, (std::vector<std::string>{"\\\\Ost 0 0",
                                           "\\\\Ost\\Deleted Items 0 10",
                                           "\\\\Ost\\Inbox 0 12",
                                           "\\\\Ost\\Inbox\\sub1 0 25",
                                           "\\\\Ost\\Inbox\\sub2 0 29",
                                           "\\\\Ost\\Outbox 0 0",
                                           "\\\\Ost\\Sent Items 0 6",
                                           "\\\\Ost\\Calendar 1 1",
                                           "\\\\Ost\\Contacts 2 0",
                                           "\\\\Ost\\Drafts 0 0",
                                           "\\\\Ost\\Journal 4 0",
                                           "\\\\Ost\\Junk E-Mail 0 0",
                                           "\\\\Ost\\Notes 5 0",
                                           "\\\\Ost\\Tasks 3 0",
                                           "\\\\Ost\\Sync Issues 0 9",
                                           "\\\\Ost\\Sync Issues\\Conflicts 0 0",
                                           "\\\\Ost\\Sync Issues\\Local Failures 0 0",
                                           "\\\\Ost\\Sync Issues\\Server Failures 0 0",
                                           "\\\\Ost\\RSS Feeds 0 0",
                                           "\\\\Ost\\Suggested Contacts 2 0"}));

  std::vector<std::string> outlook;
  TreeLines(*session_->GetFolderFromPath("\\\\outlook\\"), outlook);
  EXPECT_EQ(outlook,
            (std::vector<std::string>{
                "\\\\Outlook 0 0", "\\\\Outlook\\Deleted Items 0 0", "\\\\Outlook\\Inbox 0 8",
                "\\\\Outlook\\Inbox\\SubInbox 0 0", "\\\\Outlook\\Outbox 0 0",
                "\\\\Outlook\\Sent Items 0 6", "\\\\Outlook\\Calendar 1 1",
                "\\\\Outlook\\Contacts 2 1", "\\\\Outlook\\Journal 4 0", "\\\\Outlook\\Notes 5 0",
                "\\\\Outlook\\Tasks 3 0", "\\\\Outlook\\Drafts 0 0", "\\\\Outlook\\RSS Feeds 0 0",
                "\\\\Outlook\\Junk E-mail 0 0"}));

  // Equal sibling names: a path finds the first, the second is still walked.
  std::unique_ptr<Folder> deleted = session_->GetFolderFromPath("\\\\Damaged\\Deleted Items");
  EXPECT_EQ(deleted->GetFolders()->Count(), 2);
  EXPECT_EQ(deleted->GetFolders()->GetFolder(2)->FolderPath(),
            "\\\\Damaged\\Deleted Items\\SubInbox");
  EXPECT_EQ(session_->GetFolderFromPath("\\\\Damaged\\Deleted Items\\subinbox")->Parent()->Name(),
            "Deleted Items");
  EXPECT_EQ(session_->GetFolderFromPath("\\\\Damaged")->Parent(), nullptr);
  Failure missing = RaisedBy([&] { session_->GetFolderFromPath("\\\\Outlook\\Nowhere"); });
  EXPECT_EQ(missing.number(), kNotFound);
}

TEST_F(DataFileStoreTest, ContactsReadStandardAndNamedProperties) {
  std::unique_ptr<Items> items = ItemsOf("\\\\Sample\\Contacts");
  ASSERT_EQ(items->Count(), 6);
  struct Row {
    const char* fullName;
    const char* email;
    const char* business;
    const char* mobile;
    const char* fileAs;
    const char* businessAddress;
    const char* lastFirst;
  };
  // The telephone numbers are stored doubled in this file.
  const Row rows[] = {
      {"Sebastian Wright", "SebastianWright@dayrep.com", "", "", "", "", ""},
      {"Wichert Kroos", "WichertKroos@teleworm.us", "", "", "", "", ""},
      {"Christoffer van de Meeberg", "ChristoffervandeMeeberg@teleworm.us", "", "", "", "", ""},
      {"Margaret J. Tolle", "MargaretJTolle@dayrep.com", "(08)9080-1183",
       "(925)599-3355(925)599-3355", "Tolle, Margaret J.",
       "4 Darwinia Loop EIGHTY MILE BEACH WA 6725", "Tolle, Margaret"},
      {"Matthew R. Wilcox", "", "0650 675 73 300650 675 73 30", "", "Wilcox, Matthew R.",
       "Horner Strasse 12 4421 SAASS", "Wilcox, Matthew"},
      {"Bertha A. Buell", "BerthaABuell@armyspy.com", "", "", "Buell, Bertha A.",
       "Im Astenfeld 59 8580 EDELSCHROTT", "Buell, Bertha"},
  };
  for (std::int32_t i = 1; i <= 6; ++i) {
    const Row& row = rows[i - 1];
    std::unique_ptr<Item> contact = items->GetItem(i);
    EXPECT_EQ(contact->KindName(), "RDOContactItem") << row.fullName;
    EXPECT_EQ(contact->GetProperty("FullName"), Value(std::string(row.fullName)));
    EXPECT_EQ(contact->GetProperty("email1address"), Value(std::string(row.email))) << row.fullName;
    EXPECT_EQ(contact->GetProperty("BusinessTelephoneNumber"), Value(std::string(row.business)))
        << row.fullName;
    EXPECT_EQ(contact->GetProperty("MobileTelephoneNumber"), Value(std::string(row.mobile)))
        << row.fullName;
    EXPECT_EQ(contact->GetProperty("FileAs"), Value(std::string(row.fileAs))) << row.fullName;
    EXPECT_EQ(contact->GetProperty("BusinessAddress"), Value(std::string(row.businessAddress)))
        << row.fullName;
    EXPECT_EQ(contact->GetProperty("LastNameAndFirstName"), Value(std::string(row.lastFirst)))
        << row.fullName;
  }
  std::unique_ptr<Item> margaret = items->GetItem(4);
  EXPECT_EQ(margaret->GetProperty("Gender"), Value(std::int64_t{1}));
  EXPECT_EQ(margaret->GetProperty("Email1AddressType"), Value(std::string("SMTP")));
  EXPECT_EQ(margaret->GetProperty("CompanyLastFirstSpaceOnly"),
            Value(std::string("Adaptaz (Tolle Margaret)")));
  EXPECT_EQ(margaret->GetProperty("Birthday"), Value(*DateTime::FromParts(4501, 1, 1)));
  EXPECT_EQ(margaret->GetProperty("HasPicture"), Value(false));
  Failure foreign = RaisedBy([&] { margaret->GetProperty("Body"); });
  EXPECT_EQ(foreign.number(), kNotFound);

  std::unique_ptr<Item> saqib = ItemsOf("\\\\Outlook\\Contacts")->GetItem(1);
  EXPECT_EQ(saqib->GetProperty("CreationTime"),
            Value(*DateTime::FromParts(2011, 6, 21, 23, 51, 52)));
  EXPECT_EQ(saqib->LastModificationTime(), *DateTime::FromParts(2011, 6, 21, 23, 53, 13));
  EXPECT_EQ(saqib->GetProperty("WebPage"), Value(std::string("www.aspose.com")));
  EXPECT_EQ(std::get<std::string>(saqib->GetProperty("Email1EntryID")).substr(0, 16),
            "00000000812B1FA4");
}

TEST_F(DataFileStoreTest, EntryIdsAreStableAndFindOpensTheFoldersOwnItems) {
  std::string first = ItemsOf("\\\\Sample\\Contacts")->GetItem(4)->EntryID();
  EXPECT_EQ(first, "0000000006AF532EFFACB14C8735B425197F58F284002000");
  std::unique_ptr<Session> other = LogOn();
  std::unique_ptr<Items> contacts = other->GetFolderFromPath("\\\\Sample\\Contacts")->GetItems();
  EXPECT_EQ(contacts->GetItem(4)->EntryID(), first);

  std::unique_ptr<Item> found = contacts->Find("EntryID = '" + first + "'");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Subject(), "Margaret J. Tolle");
  std::string lower = first;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(contacts->Find("entryid='" + lower + "'"), nullptr);
  // Another folder of the same file, another file, and no identifier at all.
  EXPECT_EQ(other->GetFolderFromPath("\\\\Sample\\Deleted Items")
                ->GetItems()
                ->Find("EntryID = '" + first + "'"),
            nullptr);
  EXPECT_EQ(ItemsOf("\\\\Outlook\\Contacts")->Find("EntryID = '" + first + "'"), nullptr);
  EXPECT_EQ(contacts->Find("EntryID = 'x'"), nullptr);
  EXPECT_EQ(RaisedBy([&] { contacts->Find("Subject = 'x'"); }).number(), kInvalidArgument);
}

TEST_F(DataFileStoreTest, DamagedItemsAnswerFromTheirRowAndRaiseForTheRest) {
  std::unique_ptr<Items> items = ItemsOf("\\\\Damaged\\Contacts");
  ASSERT_EQ(items->Count(), 21);
  // Nine readable copies of one contact, then twelve that only their
  // contents-table rows describe (the six of SampleContacts.pst twice, with
  // no modification time).
  const char* const kDamaged[] = {"Sebastian Wright",           "Wichert Kroos",
                                  "Christoffer van de Meeberg", "Margaret J. Tolle",
                                  "Matthew R. Wilcox",          "Bertha A. Buell"};
  const DateTime unset = *DateTime::FromParts(4501, 1, 1);
  for (std::int32_t i = 1; i <= 21; ++i) {
    std::unique_ptr<Item> item = items->GetItem(i);
    EXPECT_EQ(item->KindName(), "RDOContactItem") << i;
    EXPECT_EQ(item->EntryID().size(), 48u) << i;
    if (i <= 9) {
      EXPECT_EQ(item->Subject(), "Saqib Razzaq") << i;
      EXPECT_EQ(item->GetProperty("FirstName"), Value(std::string("Saqib"))) << i;
      EXPECT_NE(item->LastModificationTime(), unset) << i;
      continue;
    }
    std::string name = kDamaged[(i - 10) % 6];
    EXPECT_EQ(item->Subject(), name) << i;
    EXPECT_EQ(item->GetProperty("subject"), Value(name)) << i;
    EXPECT_EQ(item->GetProperty("MessageClass"), Value(std::string("IPM.Contact"))) << i;
    EXPECT_EQ(item->LastModificationTime(), unset) << i;
    Failure unreadable = RaisedBy([&] { item->GetProperty("FirstName"); });
    EXPECT_EQ(unreadable.source(), "libpff") << i;
    EXPECT_NE(unreadable.description().find("(" + name + ") cannot be read"), std::string::npos)
        << i << ": " << unreadable.description();
    EXPECT_THROW(item->Sender(), Failure) << i;
    EXPECT_THROW(item->GetProperty("LastNameAndFirstName"), Failure) << i;
  }
}

TEST_F(DataFileStoreTest, KindsComeFromTheMessageClass) {
  std::unique_ptr<Items> dist = ItemsOf("\\\\Dist\\Contacts");
  ASSERT_EQ(dist->Count(), 2);
  EXPECT_EQ(dist->GetItem(1)->KindName(), "RDODistListItem");
  EXPECT_EQ(dist->GetItem(2)->KindName(), "RDOContactItem");
  EXPECT_EQ(ItemsOf("\\\\Outlook\\Calendar")->GetItem(1)->KindName(), "RDOAppointmentItem");
  EXPECT_EQ(ItemsOf("\\\\Ost\\Deleted Items")->GetItem(3)->KindName(), "RDOMeetingItem");
  EXPECT_EQ(ItemsOf("\\\\Outlook\\Inbox")->GetItem(1)->KindName(), "RDOMail");
}

TEST_F(DataFileStoreTest, AnsiAndUnicodeFilesReadAlike) {
  for (const char* store : {"Ansi", "Unicode"}) {
    std::unique_ptr<Items> items = ItemsOf(std::string("\\\\") + store + "\\Folder");
    ASSERT_EQ(items->Count(), 1) << store;
    std::unique_ptr<Item> post = items->GetItem(1);
    EXPECT_EQ(post->KindName(), "RDOMail") << store;
    EXPECT_EQ(post->GetProperty("MessageClass"), Value(std::string("IPM.Post"))) << store;
    EXPECT_EQ(post->Subject(), "Post") << store;
    std::unique_ptr<AddressEntry> sender = post->Sender();
    ASSERT_NE(sender, nullptr) << store;
    EXPECT_EQ(sender->Name(), "Terry Mahaffey") << store;
    EXPECT_EQ(sender->Type(), "EX") << store;
    EXPECT_EQ(sender->Address(),
              "/o=microsoft/ou=First Administrative Group/cn=Recipients/cn=terrymah")
        << store;
    EXPECT_EQ(sender->SMTPAddress(), "") << store;
  }
}

TEST_F(DataFileStoreTest, SendersTakeTheirSmtpAddressWhereTheFileHasOne) {
  struct Row {
    const char* folder;
    std::int32_t index;
    const char* name;
    const char* type;
    const char* smtp;
  };
  const Row rows[] = {
      {"\\\\Outlook\\Inbox", 1, "Saqib Razzaq", "SMTP", "saqib.razzaq@xp.local"},
      {"\\\\Ost\\Inbox", 1, "Saqib Razzaq", "EX", "saqib.razzaq@ex2010.local"},
      {"\\\\Ost\\Inbox", 2, "from@domain.com", "SMTP", "from@domain.com"},
      {"\\\\Ost\\Deleted Items", 2, "Administrator", "EX", ""},
  };
  for (const Row& row : rows) {
    std::string where = std::string(row.folder) + " " + std::to_string(row.index);
    std::unique_ptr<AddressEntry> sender = ItemsOf(row.folder)->GetItem(row.index)->Sender();
    ASSERT_NE(sender, nullptr) << where;
    EXPECT_EQ(sender->Name(), row.name) << where;
    EXPECT_EQ(sender->Type(), row.type) << where;
    EXPECT_EQ(sender->SMTPAddress(), row.smtp) << where;
    EXPECT_EQ(sender->FirstName() + sender->LastName() + sender->JobTitle() +
                  sender->BusinessTelephoneNumber() + sender->StreetAddress(),
              "")
        << where;
  }
  // The .ost's messages keep their modification time in the contents table.
  EXPECT_NE(ItemsOf("\\\\Ost\\Inbox")->GetItem(1)->LastModificationTime(),
            *DateTime::FromParts(4501, 1, 1));
}

TEST_F(DataFileStoreTest, WritesAreRefusedAsReadOnly) {
  std::unique_ptr<Folder> contacts = session_->GetFolderFromPath("\\\\Sample\\Contacts");
  std::unique_ptr<Items> items = contacts->GetItems();
  std::unique_ptr<Item> contact = items->GetItem(1);
  std::unique_ptr<Item> embedded;
  {
    std::unique_ptr<Items> own =
        session_->GetFolderFromPath("\\\\Personal Folders\\Contacts")->GetItems();
    embedded = own->Add("IPM.Contact");
    embedded->SetProperty("FullName", std::string("Liv Berg"));
    embedded->Save();
  }
  const std::pair<const char*, std::function<void()>> writes[] = {
      {"SetProperty", [&] { contact->SetProperty("FirstName", std::string("X")); }},
      {"Save", [&] { contact->Save(); }},
      {"Items::Add", [&] { items->Add("IPM.Contact"); }},
      {"Items::Remove", [&] { items->Remove(1); }},
      {"Folders::Add", [&] { contacts->GetFolders()->Add("Backup", kFolderContacts); }},
      {"CopyTo within the file", [&] { contact->CopyTo(*contacts); }},
      {"CopyTo from the profile", [&] { embedded->CopyTo(*contacts); }},
  };
  for (const auto& [name, write] : writes) {
    Failure refused = RaisedBy(write);
    EXPECT_EQ(refused.number(), kNoAccess) << name;
    EXPECT_NE(refused.description().find("read-only"), std::string::npos) << name;
  }
  EXPECT_EQ(RaisedBy([&] { contact->SetProperty("NoSuchField", std::string("X")); }).number(),
            kNotFound);
  EXPECT_EQ(ItemsOf("\\\\Sample\\Contacts")->Count(), 6);
}

TEST(DataFileSessionTest, AFileGoneOrReplacedFailsOnlyItsOwnStore) {
  TOVASK_SKIP_WITHOUT_SAMPLE_FILES();
  testing::TempDir files;
  std::string copy = files.File("archive.pst");
  std::filesystem::copy_file(SampleFile("SampleContacts.pst"), copy);
  TestProfile profile(ProfileWithDataFiles({{"Archive", copy}}));
  std::filesystem::remove(copy);

  std::unique_ptr<Session> session = LogOn();
  std::vector<std::unique_ptr<Store>> stores = session->Stores();
  ASSERT_EQ(stores.size(), 2u);
  EXPECT_EQ(stores[1]->Name(), "Archive");
  Failure gone = RaisedBy([&] { stores[1]->RootFolder(); });
  EXPECT_NE(gone.description().find(copy), std::string::npos) << gone.description();
  EXPECT_NE(RaisedBy([&] { session->GetFolderFromPath("\\\\Archive\\Contacts"); })
                .description()
                .find(copy),
            std::string::npos);
  EXPECT_EQ(session->GetFolderFromPath("\\\\Personal Folders\\Contacts")->GetItems()->Count(), 0);

  // Another data file in its place is not the attached one.
  std::filesystem::copy_file(SampleFile("Outlook_1.pst"), copy);
  Failure replaced = RaisedBy([&] { LogOn()->GetFolderFromPath("\\\\Archive"); });
  EXPECT_NE(replaced.description().find("record key changed"), std::string::npos)
      << replaced.description();
  EXPECT_NE(replaced.description().find(copy), std::string::npos);
}

TEST(DataFileRulesTest, ContainerClassesGiveDefaultItemTypes) {
  const std::pair<const char*, int> rows[] = {
      {"IPF.Contact", kContactItem},
      {"IPF.Contact.MOC.QuickContacts", kContactItem},
      {"ipf.contact", kContactItem},
      {"IPF.Contacts", kMailItem},
      {"IPF.Appointment", kAppointmentItem},
      {"IPF.Task", kTaskItem},
      {"IPF.Journal", kJournalItem},
      {"IPF.StickyNote", kNoteItem},
      {"IPF.Note", kMailItem},
      {"IPF.Configuration", kMailItem},
      {"", kMailItem},
  };
  for (const auto& [containerClass, type] : rows) {
    EXPECT_EQ(ItemTypeOfContainerClass(containerClass), type) << containerClass;
  }
}

TEST(DataFileRulesTest, EveryStoredPropertyHasItsPlaceInTheFile) {
  for (int id = 0; id < PropertyCount(); ++id) {
    const PropertyInfo& info = PropertyAt(static_cast<PropertyId>(id));
    if (info.access != PropertyAccess::kStored) continue;
    EXPECT_NE(pst::SourceOf(info.id), nullptr) << info.name;
  }
}

}  // namespace
}  // namespace tovask::outlook
