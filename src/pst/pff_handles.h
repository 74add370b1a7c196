// Owners of libpff's handles, and the one place where libpff's errors become
// Failures.
//
// Every libpff call that reports an error hands over an error object; the
// helpers here turn it into Failure("libpff", E_FAIL, "<what was attempted>:
// <libpff's message>") and free it, so no error object outlives its call.
#pragma once

#include <libpff.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "main/failure.h"

namespace tovask::pst {

inline constexpr char kPffSource[] = "libpff";
inline constexpr std::int32_t kPffFailed = -2147467259;  // E_FAIL

// The failure for a call that failed with `error` (which may be null); frees
// the error.
Failure PffFailure(const std::string& what, libpff_error_t* error);

// Frees an error a call left when its result is not a failure worth raising
// ("not available").
void DropPffError(libpff_error_t*& error);

struct PffFileClose {
  void operator()(libpff_file_t* file) const;
};
struct PffItemFree {
  void operator()(libpff_item_t* item) const;
};
struct PffRecordSetFree {
  void operator()(libpff_record_set_t* set) const;
};
struct PffRecordEntryFree {
  void operator()(libpff_record_entry_t* entry) const;
};

using PffFile = std::unique_ptr<libpff_file_t, PffFileClose>;
using PffItem = std::unique_ptr<libpff_item_t, PffItemFree>;
using PffRecordSet = std::unique_ptr<libpff_record_set_t, PffRecordSetFree>;
using PffRecordEntry = std::unique_ptr<libpff_record_entry_t, PffRecordEntryFree>;

// Opens the file for reading; raises naming the path when libpff cannot.
PffFile OpenPffFile(const std::string& path);

// The node identifier of an item.
std::uint32_t NodeIdOf(libpff_item_t* item);

// The subfolders of a folder item that can be opened, in the file's order;
// none when their number cannot be read.
std::vector<PffItem> Subfolders(libpff_item_t* folder);

// The number of record sets (rows, for a table) of an item; raises when the
// item's values cannot be read.
int RecordSetCount(libpff_item_t* item);
PffRecordSet RecordSetAt(libpff_item_t* item, int index);

}  // namespace tovask::pst
