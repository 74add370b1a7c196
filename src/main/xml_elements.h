// The two ways every operation adds a field element to a document.
#pragma once

#include <functional>
#include <string_view>

#include "main/value.h"
#include "main/xml_writer.h"

namespace tovask {

// Appends <name><![CDATA[text]]></name>, text being ValueText(value), to the
// element open in `writer`. Always exactly one element with one CDATA
// section, even for empty text. Failures reach the caller.
void AddCDataElement(XmlWriter& writer, std::string_view name, const Value& value);

// Appends the element as AddCDataElement does, but only when the value's text
// has at least one character: null and empty values leave the element out.
// Never raises: a failure is noted as trapped and, when the log is on,
// logged as "Error exporting contact <contactName> - <name>: <value text>"
// followed directly by the failure tail; the caller goes on with its next
// element.
void AddTextElement(XmlWriter& writer, std::string_view contactName, std::string_view name,
                    const Value& value);

// The same for a value that is read from Outlook only now, as part of adding
// its element: a value that cannot be read is this element's failure, noted
// and logged as above with an empty value text, and the caller goes on with
// its next element. Never raises.
void AddTextElement(XmlWriter& writer, std::string_view contactName, std::string_view name,
                    const std::function<Value()>& readValue);

}  // namespace tovask
