// Writing one Outlook contact as a contact element of a contact document.
#pragma once

#include <string_view>

#include "main/value.h"
#include "main/xml_writer.h"
#include "outlook/outlook.h"

namespace tovask {

// Appends one <contact> element to the root of the document being written
// and fills it with the fields of kContactFields, in order, from the contact.
//
// The element is opened before any property is read, so it stays in the
// document even when no field can be written. `fieldPhase` is set to true
// once the contact label is formed and logged, right before the first field
// is read; the caller switches its skip rule at that point. A failure in
// reading a property ends the contact (the element keeps the fields written
// so far, and is closed) and reaches the caller.
void WriteContactElement(XmlWriter& document, outlook::Item& contact, bool& fieldPhase);

// Appends <name> holding the date as "yyyy-mm-dd" when the value is a date
// whose year lies from 1901 to 2999 (the time of day is dropped); nothing for
// other years, the unset date, and a missing value. A value that cannot be
// read as a date is logged as "Error exporting contact <label> - <name>:
// <value><failure>" and adds nothing. Never raises.
void AddDateElement(XmlWriter& document, std::string_view contactLabel, std::string_view name,
                    const Value& value);

}  // namespace tovask
