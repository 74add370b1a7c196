#include "main/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "main/failure.h"
#include "main/test_support.h"

namespace tovask {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

mode_t Mode(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Whether the folder's file system has unnamed files; without them a named
// temporary file is expected while a document is written.
bool HasUnnamedFiles(const std::string& folder) {
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

void WriteDocument(const std::string& target, const std::string& content) {
  OutputFile output(target);
  ASSERT_TRUE(output.Write(content)) << output.failure()->what();
  output.Commit();
}

TEST(OutputFileTest, RegularTargetIsReplacedWholeOnCommitKeepingItsMode) {
  TempDir dir;
  const std::string target = dir.File("out.xml");
  WriteFile(target, "old");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  const bool unnamed = HasUnnamedFiles(dir.path().string());
  {
    OutputFile output(target);
    ASSERT_TRUE(output.Write("new document"));
    EXPECT_EQ(ReadFile(target), "old");
    if (unnamed) {
      EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"})
          << "a named temporary file before the document is complete";
    }
  }
  // Dropped without a commit: the target as it was, nothing left beside it.
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});

  WriteDocument(target, "new document");
  EXPECT_EQ(ReadFile(target), "new document");
  EXPECT_EQ(Mode(target), 0640u);
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.xml"});

  // A new file gets the mode a new file gets.
  const mode_t mask = umask(022);
  WriteDocument(dir.File("fresh.xml"), "x");
  umask(mask);
  EXPECT_EQ(Mode(dir.File("fresh.xml")), 0644u);
}

TEST(OutputFileTest, LinksAreFollowedAndStay) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  const std::string real = dir.File("real/out.xml");
  WriteFile(real, "old");
  struct Row {
    const char* link;
    const char* pointsTo;  // as written into the link
  } rows[] = {
      {"absolute", nullptr},  // the real file's absolute path
      {"relative", "real/out.xml"},
      {"chain", "relative"},
      {"dangling", "real/new.xml"},  // a link to nothing yet: that file is made
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.link);
    const std::string link = dir.File(row.link);
    std::filesystem::create_symlink(row.pointsTo ? row.pointsTo : real, link);
    WriteDocument(link, std::string("via ") + row.link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(link), std::string("via ") + row.link);
  }
  EXPECT_EQ(ReadFile(real), "via chain");
  EXPECT_EQ(FileNames(dir.path() / "real"), (std::vector<std::string>{"new.xml", "out.xml"}));

  std::filesystem::create_symlink("loop", dir.File("loop"));
  OutputFile loop(dir.File("loop"));
  EXPECT_FALSE(loop.Write("x"));
  EXPECT_THROW(loop.Commit(), Failure);

  // A folder, reached through a link or not, is neither replaced nor written into.
  std::filesystem::create_symlink("real", dir.File("folder-link"));
  for (const std::string& folder : {dir.File("real"), dir.File("folder-link")}) {
    OutputFile output(folder);
    EXPECT_THROW(output.Commit(), Failure);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("folder-link")));
}

}  // namespace
}  // namespace tovask
