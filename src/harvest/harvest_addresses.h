// The address harvest: the senders of the recent mail in one Outlook folder
// (and on request its subfolders), written as contact records into one
// contact document.
#pragma once

#include <cstdint>
#include <string>

#include "harvest/address_records.h"
#include "outlook/outlook.h"

namespace tovask {

// Writes the contact document `outputFile` (replacing any file of that name):
// root <olcontacts timestamp="…">, the timestamp taken before the profile is
// opened, then one <contact> per distinct sender of the mail messages of the
// folder at `folderPath` whose LastModificationTime lies strictly after
// `since` (seconds since 1970-01-01 00:00:00 local time): first the senders
// met once (Count 1), then those met more than once (Count 2), each group in
// the order the walk met them. With `recursive`, subfolders are walked too.
//
// A failure of the log-on, the folder look-up or the walk of the folder
// itself is noted and logged as "Error harvesting - <failure>"; the senders
// counted so far are still written and the document saved. A failure while
// writing the records or saving is logged the same way and ends the run,
// possibly without the file.
void HarvestAddresses(std::int32_t since, const std::string& folderPath,
                      const std::string& outputFile, bool recursive);

// The walk below one folder: a skipped folder (and its subtree) is left
// alone; with `recursive` the subfolders come first, each failing subfolder
// passed over; then the folder's own items when it is a mail folder (a
// failure there is noted and ends that folder's scan). A failure reading the
// folder's own path reaches the caller.
void WalkMailFolder(std::int32_t since, outlook::Folder& folder, SeenSenders& seenOnce,
                    SeenSenders& seenRepeatedly, bool recursive);

// Counts the sender of every mail message of the folder changed after
// `since`; older messages are logged as "Ignore old Outlook email:
// <subject>", items of other kinds passed over silently. A failing item is
// noted and logged as "Error harvesting item - <failure>", and the scan goes
// on. A failure reading the folder's path or its items reaches the caller.
void ScanMailItems(std::int32_t since, outlook::Folder& folder, SeenSenders& seenOnce,
                   SeenSenders& seenRepeatedly);

}  // namespace tovask
