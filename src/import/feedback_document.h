// The feedback document: what an import did to each contact, for the peer
// system, which reads it to learn the Outlook entry identifiers.
//
//   <?xml version="1.0"?>
//   <mergedcontacts><contact id="7" EntryID="…" status="created"/>…</mergedcontacts>
//
// One empty `contact` element per action, in the order the import performs
// them, each with exactly the attributes id, EntryID and status, in this
// order; no whitespace between elements.
#pragma once

#include <string_view>

#include "main/xml_writer.h"

namespace tovask {

// Opens the document element `mergedcontacts` of a new document.
void StartFeedbackDocument(XmlWriter& document);

// Appends <contact id="…" EntryID="…" status="…"/> to the document element.
// `id` is the input contact's id ("-1" for a deleted contact), `status` one
// of "created", "updated", "deleted". Failures reach the caller.
void AddFeedbackElement(XmlWriter& document, std::string_view id, std::string_view entryId,
                        std::string_view status);

}  // namespace tovask
