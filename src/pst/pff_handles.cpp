#include "pst/pff_handles.h"

#include <array>

namespace tovask::pst {

Failure PffFailure(const std::string& what, libpff_error_t* error) {
  std::string description = what;
  if (error != nullptr) {
    std::array<char, 512> message{};
    if (libpff_error_sprint(error, message.data(), message.size()) > 0) {
      description += ": ";
      description += message.data();
      // libpff ends its messages with a line feed or a full stop; the log
      // wants one line.
      while (!description.empty() && (description.back() == '\n' || description.back() == '\r'))
        description.pop_back();
    }
    libpff_error_free(&error);
  }
  return Failure(kPffSource, kPffFailed, description);
}

void DropPffError(libpff_error_t*& error) {
  if (error != nullptr) libpff_error_free(&error);
}

void PffFileClose::operator()(libpff_file_t* file) const {
  libpff_file_close(file, nullptr);
  libpff_file_free(&file, nullptr);
}

void PffItemFree::operator()(libpff_item_t* item) const { libpff_item_free(&item, nullptr); }

void PffRecordSetFree::operator()(libpff_record_set_t* set) const {
  libpff_record_set_free(&set, nullptr);
}

void PffRecordEntryFree::operator()(libpff_record_entry_t* entry) const {
  libpff_record_entry_free(&entry, nullptr);
}

PffFile OpenPffFile(const std::string& path) {
  libpff_error_t* error = nullptr;
  libpff_file_t* raw = nullptr;
  if (libpff_file_initialize(&raw, &error) != 1) throw PffFailure("cannot read " + path, error);
  if (libpff_file_open(raw, path.c_str(), LIBPFF_OPEN_READ, &error) != 1) {
    libpff_file_free(&raw, nullptr);
    throw PffFailure("cannot open " + path + " as an Outlook data file", error);
  }
  return PffFile(raw);
}

std::uint32_t NodeIdOf(libpff_item_t* item) {
  libpff_error_t* error = nullptr;
  std::uint32_t id = 0;
  if (libpff_item_get_identifier(item, &id, &error) != 1)
    throw PffFailure("cannot read an item's node identifier", error);
  return id;
}

std::vector<PffItem> Subfolders(libpff_item_t* folder) {
  std::vector<PffItem> subfolders;
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_folder_get_number_of_sub_folders(folder, &count, &error) != 1) {
    DropPffError(error);
    return subfolders;
  }
  for (int i = 0; i < count; ++i) {
    libpff_item_t* subfolder = nullptr;
    if (libpff_folder_get_sub_folder(folder, i, &subfolder, &error) != 1) {
      DropPffError(error);  // a subfolder that cannot be opened is left out
      continue;
    }
    subfolders.emplace_back(subfolder);
  }
  return subfolders;
}

int RecordSetCount(libpff_item_t* item) {
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_item_get_number_of_record_sets(item, &count, &error) != 1)
    throw PffFailure("cannot read the item's properties", error);
  return count;
}

PffRecordSet RecordSetAt(libpff_item_t* item, int index) {
  libpff_error_t* error = nullptr;
  libpff_record_set_t* set = nullptr;
  if (libpff_item_get_record_set_by_index(item, index, &set, &error) != 1)
    throw PffFailure("cannot read the item's properties", error);
  return PffRecordSet(set);
}

}  // namespace tovask::pst
