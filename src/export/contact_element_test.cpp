#include "export/contact_element.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "main/failure.h"
#include "main/log.h"
#include "main/test_support.h"
#include "main/xml_test_reader.h"

namespace tovask {
namespace {

// A contact whose properties are whatever the test says, including values of
// a kind the profile store never hands out (a text where a date belongs).
class LooseContact : public outlook::Item {
 public:
  std::map<std::string, Value> values;

  std::string KindName() override { return "RDOContactItem"; }
  Value GetProperty(std::string_view name) override {
    auto found = values.find(std::string(name));
    return found == values.end() ? Value() : found->second;
  }
  void SetProperty(std::string_view, const Value&) override {}
  void Save() override {}
  std::string EntryID() override { return ""; }
  void CopyTo(outlook::Folder&) override {}
  std::unique_ptr<outlook::AddressEntry> Sender() override { return nullptr; }
  std::string Subject() override { return ""; }
  DateTime LastModificationTime() override { return DateTime(); }
};

TEST(ContactElementTest, DateThatCannotBeReadIsLoggedAndLaterFieldsAreStillWritten) {
  testing::TempDir dir;
  ResetLog();
  ResetTrappedFailures();
  StartLog(dir.File("run.log"));

  LooseContact contact;
  contact.values["FileAs"] = std::string("Smith, Anna");
  contact.values["FullName"] = std::string("Anna Smith");
  contact.values["Anniversary"] = std::string("2010-06-12");  // a date text is read as the date
  contact.values["Birthday"] = std::string("sometime in May");
  contact.values["Subject"] = std::string("last row");
  {
    XmlWriter writer(dir.File("out.xml"));
    writer.StartElement("olcontacts");
    bool fieldPhase = false;
    WriteContactElement(writer, contact, fieldPhase);
    EXPECT_TRUE(fieldPhase);
    writer.Save();
  }
  ResetLog();

  XmlElement root = ReadXmlFile(dir.File("out.xml"));
  ASSERT_EQ(root.children.size(), 1u);
  const XmlElement& element = root.children[0];
  EXPECT_EQ(element.ChildText("Anniversary"), "2010-06-12");
  EXPECT_FALSE(element.HasChild("Birthday"));
  EXPECT_EQ(element.ChildText("FullName"), "Anna Smith");
  EXPECT_EQ(element.ChildText("Subject"), "last row");
  EXPECT_TRUE(AnyFailureTrapped());

  std::vector<std::string> messages = testing::LogMessages(testing::ReadFile(dir.File("run.log")));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "Processing Outlook contact: Smith, Anna,Anna Smith");
  // The value runs straight into the failure's source.
  EXPECT_EQ(messages[1].rfind("Error exporting contact Smith, Anna,Anna Smith - Birthday: "
                              "sometime in May",
                              0),
            0u)
      << messages[1];
  EXPECT_NE(messages[1].find("sometime in May" + std::string("tovask, 13 - ")), std::string::npos)
      << messages[1];
}

}  // namespace
}  // namespace tovask
