// The export: the contacts of one Outlook folder (and on request of its
// subfolders) that changed after a moment, written into one contact document.
#pragma once

#include <cstdint>
#include <string>

#include "main/xml_writer.h"
#include "outlook/outlook.h"

namespace tovask {

// Writes the contact document `outputFile` (replacing any file of that name):
// root <olcontacts timestamp="…"> with one <contact> per contact of the folder
// at `folderPath` whose LastModificationTime lies strictly after `since`
// (seconds since 1970-01-01 00:00:00 local time; 0 takes every contact).
// With `recursive`, subfolders are walked first, depth first.
//
// Failures are trapped and logged; the document is saved with whatever it
// holds, so a folder that cannot be opened still gives a document with its
// timestamp and no contacts.
void ExportContacts(std::int32_t since, const std::string& folderPath,
                    const std::string& outputFile, bool recursive);

// The walk below one folder: skipped folders (and their subtrees) contribute
// nothing; with `recursive` the subfolders come first, each failing subfolder
// passed over; then the folder's own contacts when it is a contacts folder.
// Failures of the folder itself reach the caller.
void ExportFolder(std::int32_t since, outlook::Folder& folder, XmlWriter& document, bool recursive);

// The changed contacts of one folder. A failing entry is logged and passed
// over until the folder's first contact starts its fields; later failing
// entries are passed over silently. Non-contact entries are passed over.
void ExportFolderContacts(std::int32_t since, outlook::Folder& folder, XmlWriter& document);

}  // namespace tovask
