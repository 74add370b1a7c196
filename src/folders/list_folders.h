// The folder listing: every contact and mail folder of the profile's message
// stores, as a flat folder list document for the peer system to choose from.
#pragma once

#include <string>

#include "main/xml_writer.h"
#include "outlook/outlook.h"

namespace tovask {

// Writes `outputFile` (replacing any file of that name): root <folders> with
// one <ContactFolder> or <EmailFolder> per listed folder, holding its path,
// depth first, stores in the profile's order. "Public Folders" and "Archive
// Folders" stores are left out. A profile that cannot be opened gives an
// empty <folders> element. Failures on one store or folder skip it and the
// walk goes on.
void ListFolders(const std::string& outputFile);

// Lists the folder and, when it is a contact or mail folder, its subtree.
// Skipped folders are logged and end their subtree; folders of other types end
// it silently; a mail folder ending in "\Root - Mailbox" gets no entry of its
// own but its subfolders are visited. Failures of the folder itself reach the
// caller; a failing subfolder is passed over.
void AddFolderEntries(XmlWriter& document, outlook::Folder& folder);

}  // namespace tovask
