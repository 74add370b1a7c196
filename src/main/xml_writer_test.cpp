#include "main/xml_writer.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"

namespace tovask {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocDeleter>;

// Parses a written file as a reader of our documents would: no network,
// no entity substitution. Null when the file is not well-formed.
Doc ReadBack(const std::string& path) {
  const std::string content = ReadFile(path);
  return Doc(xmlReadMemory(content.data(), static_cast<int>(content.size()), "written.xml", nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(XmlWriterTest, WritesTheExactDocumentForm) {
  TempDir dir;
  const std::string path = dir.File("out.xml");
  XmlWriter writer(path);
  writer.StartElement("olcontacts");
  writer.Attribute("timestamp", "1700000000");
  writer.Attribute("note", "a\"<&>");
  writer.StartElement("contact");
  writer.CDataElement("FirstName", "Anna <b> & \"Ü\"");
  writer.CDataElement("Empty", "");
  writer.EndElement();
  writer.Save();
  EXPECT_EQ(ReadFile(path),
            "<?xml version=\"1.0\"?>\n"
            "<olcontacts timestamp=\"1700000000\" note=\"a&quot;&lt;&amp;&gt;\"><contact>"
            "<FirstName><![CDATA[Anna <b> & \"Ü\"]]></FirstName><Empty><![CDATA[]]></Empty>"
            "</contact></olcontacts>\n");
}

TEST(XmlWriterTest, EveryValueReadsBackCleanedFromAWellFormedFile) {
  struct Row {
    const char* name;
    std::string value;
    std::string readBack;
  };
  const Row rows[] = {
      {"plain", "Anna Müller", "Anna Müller"},
      {"CDATA terminator", "a]]>b", "a]]>b"},
      {"terminator with markup", "<x>]]>&amp;\r", "<x>]]>&amp;\r"},
      {"tab and newline kept", "a\tb\nc", "a\tb\nc"},
      {"controls dropped",
       std::string("a\x01"
                   "b\x1F"
                   "c\0d",
                   8),
       "abcd"},
      {"U+FFFE and U+FFFF dropped",
       "a\xEF\xBF\xBE"
       "b\xEF\xBF\xBF",
       "ab"},
      {"encoded surrogate dropped",
       "a\xED\xA0\x80"
       "b",
       "ab"},
      {"stray byte replaced",
       "a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"cut sequence replaced",
       "a\xE2\x82"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"overlong replaced",
       "a\xC0\xAF"
       "b",
       "a\xEF\xBF\xBD\xEF\xBF\xBD"
       "b"},
      {"beyond U+10FFFF replaced", "a\xF4\x90\x80\x80", "a\xEF\xBF\xBD"},
      {"four-byte character kept", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string path = dir.File("out.xml");
    XmlWriter writer(path);
    writer.StartElement("root");
    writer.Attribute("value", row.value);
    writer.CDataElement("field", row.value);
    writer.Save();

    Doc doc = ReadBack(path);
    ASSERT_NE(doc, nullptr) << ReadFile(path);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    xmlChar* attribute = xmlGetProp(root, BAD_CAST "value");
    // Tab, CR and LF go out as character references, so reading does not
    // turn them into blanks.
    EXPECT_EQ(reinterpret_cast<const char*>(attribute), row.readBack);
    xmlFree(attribute);
    xmlNode* first = root->children->children;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->next, nullptr);  // one child node holds the whole value
    EXPECT_EQ(reinterpret_cast<const char*>(first->content), row.readBack);
  }
}

TEST(XmlWriterTest, ReplacesTheTargetOnlyOnSave) {
  TempDir dir;
  const std::string path = dir.File("out.xml");
  WriteFile(path, "old");
  {
    XmlWriter writer(path);
    writer.StartElement("root");
    writer.CDataElement("a", "new");
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(FileNames(dir.path()).size(), 2u);  // the target and one temporary file
  }
  EXPECT_EQ(ReadFile(path), "old");  // dropped without Save
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});

  XmlWriter writer(path);
  writer.StartElement("root");
  writer.Save();
  writer.Save();  // already saved: nothing more happens
  EXPECT_EQ(ReadFile(path), "<?xml version=\"1.0\"?>\n<root/>\n");
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});
}

TEST(XmlWriterTest, SaveRaisesWhenTheFileCannotBeWritten) {
  TempDir dir;
  XmlWriter missingFolder(dir.File("no-such-folder/out.xml"));
  missingFolder.StartElement("root");
  missingFolder.CDataElement("a", "b");
  EXPECT_THROW(missingFolder.Save(), Failure);
  EXPECT_THROW(missingFolder.Save(), Failure);

  // The target is a folder that holds a file: the rename fails until the
  // folder is gone, and the retried Save then succeeds.
  const std::string path = dir.File("out.xml");
  std::filesystem::create_directory(path);
  WriteFile(path + "/inside", "x");
  XmlWriter writer(path);
  writer.StartElement("root");
  EXPECT_THROW(writer.Save(), Failure);
  std::filesystem::remove_all(path);
  writer.Save();
  EXPECT_EQ(ReadFile(path), "<?xml version=\"1.0\"?>\n<root/>\n");
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});
}

}  // namespace
}  // namespace tovask
