// An attached data file as one session reads it: the open libpff handle, the
// file's code page, and the folder tree a store shows.
//
// The tree a store shows is the file's IPM subtree (a .pst names it in the
// message store's 0x35E0; an .ost has it at Root - Mailbox\IPM_SUBTREE),
// named like the store, without hidden folders (0x10F4) and search folders,
// each with its subtree. Folders deeper than kMaxFolderDepth below the root,
// folders met a second time (a damaged file can loop) and folders whose
// properties cannot be read are left out, so every walk down the tree ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "outlook/data_files.h"
#include "pst/item_properties.h"
#include "pst/pff_handles.h"
#include "pst/pff_values.h"

namespace tovask::outlook {

struct DataFileFolder {
  std::uint32_t nodeId = 0;
  int parent = -1;  // index of the parent; -1 for the root
  std::string name;
  int itemType = kMailItem;
  std::vector<int> children;  // indexes, in the file's order
};

class DataFileSource {
 public:
  explicit DataFileSource(AttachedFile attached) : attached_(std::move(attached)) {}

  const AttachedFile& attached() const { return attached_; }

  // Opens the file and reads its tree, once. Raises, naming the file, when
  // it is missing, unreadable or no longer the attached one; every later
  // call raises the same.
  void Open();

  // The folder at `index` (0 is the root); opens the file first.
  const DataFileFolder& Folder(int index);
  // "\\Store\Folder\Subfolder".
  std::string FolderPath(int index);

  // "00000000" + the record key: the first 40 characters of every entry
  // identifier of the file's items.
  const std::string& EntryIdPrefix();
  std::string EntryIdOf(std::uint32_t nodeId);

  const pst::CodePageText& ansi();
  // The item of that node; raises when the file has none or cannot read it.
  pst::PffItem ItemByNode(std::uint32_t nodeId);

  // The failure every write into the store raises.
  Failure ReadOnly(const std::string& what) const;

 private:
  pst::PffItem FindIpmSubtree(libpff_file_t* file);
  void ReadChildren(libpff_item_t* item, int index, int depth,
                    std::unordered_set<std::uint32_t>& seen);

  AttachedFile attached_;
  pst::PffFile file_;
  std::optional<pst::CodePageText> ansi_;
  std::vector<DataFileFolder> folders_;
  std::string prefix_;
  std::optional<Failure> failure_;
};

// The default item type of a folder of that container class (0x3613):
// IPF.Contact contact, IPF.Appointment appointment, IPF.Task task,
// IPF.Journal journal, IPF.StickyNote note (each with its forms below it,
// IPF.Contact.<x>), anything else or none mail.
int ItemTypeOfContainerClass(std::string_view containerClass);

}  // namespace tovask::outlook
