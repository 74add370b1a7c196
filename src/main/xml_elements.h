// The two ways every operation adds a field element to a document.
#pragma once

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

}  // namespace tovask
