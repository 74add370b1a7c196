#include "import/contact_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "main/test_support.h"
#include "profile_store/test_profile.h"

namespace tovask {

void PrintTo(const DocumentError& error, std::ostream* out) {
  *out << "line " << error.line << ": " << error.text;
}

namespace {

using testing::TempDir;
using testing::WriteFile;

// What a test looks at of one contact handed over.
struct Seen {
  std::optional<std::string> id, entryId;
  std::map<std::string, std::string> fields;  // of the names below
  int fieldCount = 0;
  std::string failure;  // the collect failure's tail, empty when none
};

// The names the rows use; a contact's fieldCount shows there are no others.
const char* const kNames[] = {"FirstName", "LastName", "Department", "Title", "Subject"};

Seen Summarize(const DocumentContact& contact) {
  Seen seen{contact.id, contact.entryId, {}, contact.fields.Count(), ""};
  for (const char* name : kNames) {
    const int place = FieldValues::PlaceOf(name);
    if (contact.fields.Has(place)) seen.fields[name] = contact.fields.At(place);
  }
  if (contact.collectFailure) seen.failure = FailureTail(*contact.collectFailure);
  return seen;
}

class ContactDocumentTest : public ::testing::Test {
 protected:
  std::vector<Seen> Read(const std::string& document) {
    WriteFile(path_, document);
    EXPECT_EQ(CheckContactDocument(path_), std::nullopt) << document;
    std::vector<Seen> seen;
    ReadContacts(path_,
                 [&](const DocumentContact& contact) { seen.push_back(Summarize(contact)); });
    return seen;
  }
  // The error of a document that is refused.
  DocumentError Refused(const std::string& document) {
    WriteFile(path_, document);
    std::optional<DocumentError> error = CheckContactDocument(path_);
    EXPECT_TRUE(error.has_value()) << document;
    return error.value_or(DocumentError{-1, "accepted"});
  }

  TempDir dir_;
  std::string path_ = dir_.File("in.xml");
};

TEST_F(ContactDocumentTest, HowAContactShowsItsFields) {
  struct Row {
    const char* what;
    std::string contact;  // inside <olcontacts>
    std::map<std::string, std::string> fields;
    int fieldCount;
    std::string failure;
  };
  const std::string megabyte(1 << 20, 'x');
  const Row rows[] = {
      {"CDATA as it is, text with references as one node",
       "<contact><FirstName><![CDATA[ Anna ]]></FirstName>"
       "<LastName>Smith &amp; Co &#x41;&lt;</LastName></contact>",
       {{"FirstName", " Anna "}, {"LastName", "Smith & Co A<"}},
       2,
       ""},
      {"the first of a name wins, names without regard to case",
       "<contact><FirstName>A</FirstName><firstname>B</firstname><LASTNAME>C</LASTNAME></contact>",
       {{"FirstName", "A"}, {"LastName", "C"}},
       2,
       ""},
      {"an empty value or an element first is absent, so a later one of the name counts",
       "<contact><FirstName><![CDATA[]]></FirstName><FirstName>B</FirstName>"
       "<LastName><x/>L</LastName></contact>",
       {{"FirstName", "B"}},
       1,
       ""},
      {"only the first child node counts",
       "<contact><FirstName><![CDATA[A]]><![CDATA[B]]></FirstName><LastName>L<!--c-->M</LastName>"
       "<Title><!--Dr-->X</Title><Subject><?pi S?>T</Subject></contact>",
       {{"FirstName", "A"}, {"LastName", "L"}, {"Title", "Dr"}, {"Subject", "S"}},
       4,
       ""},
      {"blank text is no node, a blank CDATA section is",
       "<contact>\n  <FirstName>\n    <![CDATA[  ]]>\n  </FirstName>\n</contact>",
       {{"FirstName", "  "}},
       1,
       ""},
      {"names the import never reads are not kept",
       "<contact><Gender>2</Gender><Foo>x</Foo><CompanyAndFullName>C</CompanyAndFullName></"
       "contact>",
       {},
       0,
       ""},
      {"a value of exactly the limit",
       "<contact><FirstName>" + megabyte + "</FirstName></contact>",
       {{"FirstName", megabyte}},
       1,
       ""},
      {"an element of blanks only has no child node",
       "<contact><FirstName>A</FirstName><Department>  </Department></contact>",
       {{"FirstName", "A"}},
       1,
       "ContactDocument, 91 - The element Department has no child node"},
      {"an empty element of any name, read or not",
       "<contact><Foo/><Department></Department></contact>",
       {},
       0,
       "ContactDocument, 91 - The element Foo has no child node"},
      {"text directly inside the contact",
       "<contact>stray<FirstName>A</FirstName></contact>",
       {},
       0,
       "ContactDocument, 91 - Text inside a contact has no child node"},
      {"a comment directly inside the contact",
       "<contact><!--x--><FirstName>A</FirstName></contact>",
       {},
       0,
       "ContactDocument, 91 - A comment inside a contact has no child node"},
      {"a value over the limit, in CDATA",
       "<contact><LastName><![CDATA[" + megabyte + "y]]></LastName></contact>",
       {},
       0,
       "ContactDocument, 7 - The value of LastName is longer than 1048576 bytes"},
  };
  for (const Row& row : rows) {
    std::vector<Seen> seen = Read("<olcontacts>" + row.contact + "</olcontacts>");
    ASSERT_EQ(seen.size(), 1u) << row.what;
    EXPECT_EQ(seen[0].failure, row.failure) << row.what;
    if (row.failure.empty()) {
      EXPECT_EQ(seen[0].fields, row.fields) << row.what;
      EXPECT_EQ(seen[0].fieldCount, row.fieldCount) << row.what;
    }
  }
}

TEST_F(ContactDocumentTest, ContactsAtAnyDepthInDocumentOrderWithTheirAttributes) {
  std::vector<Seen> seen = Read(
      R"(<a xmlns:p="urn:p"><contact id="1" EntryID="a&amp;b&#38;c&lt;"><FirstName>A</FirstName>)"
      R"(<contact id="2" p:EntryID="X"><FirstName>B</FirstName></contact></contact>)"
      R"(<b><contact p:id="3"><p:FirstName>C</p:FirstName></contact></b>)"
      R"(<p:contact id="4"><FirstName>D</FirstName></p:contact><Contact id="5"/></a>)");
  ASSERT_EQ(seen.size(), 3u);
  // The outer contact first; its inner contact element is a child whose
  // first child is an element, so it gives no value.
  EXPECT_EQ(seen[0].id, "1");
  EXPECT_EQ(seen[0].entryId, "a&b&c<");
  EXPECT_EQ(seen[0].fields, (std::map<std::string, std::string>{{"FirstName", "A"}}));
  EXPECT_EQ(seen[0].fieldCount, 1);
  EXPECT_EQ(seen[1].id, "2");
  EXPECT_EQ(seen[1].entryId, std::nullopt);  // prefixed attributes are others
  EXPECT_EQ(seen[1].fields, (std::map<std::string, std::string>{{"FirstName", "B"}}));
  EXPECT_EQ(seen[2].id, std::nullopt);
  EXPECT_EQ(seen[2].fieldCount, 0);  // p:FirstName is another name
  EXPECT_EQ(seen[2].failure, "");
}

TEST_F(ContactDocumentTest, EncodingsXmlAllowsAreReadAsUtf8) {
  // "Jürgen" in a declared ISO-8859-1 and in UTF-16 with a byte order mark.
  std::vector<Seen> latin = Read(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a><contact><FirstName>J\xFCrgen</FirstName>"
      "</contact></a>");
  ASSERT_EQ(latin.size(), 1u);
  EXPECT_EQ(latin[0].fields.at("FirstName"), "J\xC3\xBCrgen");

  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<a><contact><FirstName>J\xFC") + "rgen</FirstName></contact></a>") {
    utf16 += c;
    utf16 += '\0';
  }
  std::vector<Seen> wide = Read(utf16);
  ASSERT_EQ(wide.size(), 1u);
  EXPECT_EQ(wide[0].fields.at("FirstName"), "J\xC3\xBCrgen");
}

TEST_F(ContactDocumentTest, RefusedDocumentsGiveTheLineAndItsText) {
  struct Row {
    const char* what;
    std::string document;
    DocumentError expected;
  };
  const Row rows[] = {
      {"not well-formed", "<a><contact id=\"1\"><b></a>", {1, "<a><contact id=\"1\"><b></a>"}},
      {"the line of the error, without its line break",
       "<?xml version=\"1.0\"?>\r\n<a>\r\n  <contact id=\"1\"><b></contact>\r\n</a>",
       {3, "  <contact id=\"1\"><b></contact>"}},
      {"an internal DTD with an external entity",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
       "<a><contact id=\"1\"><FirstName>&x;</FirstName></contact></a>",
       {2, "<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"}},
      {"an external DTD",
       "<!DOCTYPE a SYSTEM \"http://127.0.0.1:9/a.dtd\"><a/>",
       {1, "<!DOCTYPE a SYSTEM \"http://127.0.0.1:9/a.dtd\"><a/>"}},
      {"entity expansion",
       "<!DOCTYPE a [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><a><contact id=\"1\"><FirstName>&c;"
       "</FirstName></contact></a>",
       {1, ""}},
  };
  for (const Row& row : rows) {
    DocumentError error = Refused(row.document);
    EXPECT_EQ(error.line, row.expected.line) << row.what;
    if (!row.expected.text.empty()) {
      EXPECT_EQ(error.text, row.expected.text) << row.what;
    }
  }
}

TEST_F(ContactDocumentTest, AnErrorOnAHugeLineShowsAtMostAThousandCharactersAroundIt) {
  std::string contacts;
  while (contacts.size() < 200000)
    contacts += "<contact id=\"1\"><FirstName>A</FirstName></contact>";
  const std::string half = std::string(400, 'a') + "<broken" + std::string(400, 'b');
  DocumentError error = Refused("<a>" + contacts + "<x>" + half + "</a>" + contacts + "</a>");
  EXPECT_EQ(error.line, 1);
  EXPECT_LE(error.text.size(), 1000u);
  EXPECT_NE(error.text.find("<broken"), std::string::npos) << error.text;
}

// libxml2 builds a document of its own for entity declarations it meets
// after a fatal error; the sanitizers' leak check at exit is what fails here.
TEST_F(ContactDocumentTest, EntityDeclarationsAfterABrokenDeclarationLeaveNothingAllocated) {
  for (const char* document : {
           R"(<?xml version="1.0"=><!DOCTYPE a [<!ENTITY e "x)",
           R"(<?xml version="1.0"=><!DOCTYPE a [<!ENTITY e "x">]><a>&e;</a>)",
       }) {
    EXPECT_EQ(Refused(document).line, 1) << document;
    WriteFile(path_, document);
    EXPECT_THROW(ReadContacts(path_, [](const DocumentContact&) {}), Failure) << document;
  }
}

TEST_F(ContactDocumentTest, FilesThatCannotBeReadGiveLineZeroAndTheReason) {
  EXPECT_EQ(CheckContactDocument(dir_.File("missing.xml")),
            (DocumentError{0, "No such file or directory"}));
  EXPECT_EQ(CheckContactDocument(dir_.path().string()), (DocumentError{0, "Is a directory"}));
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(CheckContactDocument(fifo), (DocumentError{0, "Not a regular file"}));
  EXPECT_THROW(ReadContacts(fifo, [](const DocumentContact&) {}), Failure);
}

TEST_F(ContactDocumentTest, WhatTheHandlerRaisesStopsTheReading) {
  WriteFile(path_, "<a><contact id=\"1\"/><contact id=\"2\"/><contact id=\"3\"/></a>");
  std::vector<std::string> ids;
  Failure failure = testing::RaisedBy([&] {
    ReadContacts(path_, [&](const DocumentContact& contact) {
      ids.push_back(*contact.id);
      if (ids.size() == 2) throw Failure("Test", 1, "stop");
    });
  });
  EXPECT_EQ(failure.description(), "stop");
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "2"}));
}

}  // namespace
}  // namespace tovask
