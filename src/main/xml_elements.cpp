#include "main/xml_elements.h"

#include <string>

#include "main/failure.h"
#include "main/log.h"

namespace tovask {

void AddCDataElement(XmlWriter& writer, std::string_view name, const Value& value) {
  // Texts, most of a contact's fields, go out without a copy.
  if (const auto* text = std::get_if<std::string>(&value)) {
    writer.CDataElement(name, *text);
  } else {
    writer.CDataElement(name, ValueText(value));
  }
}

void AddTextElement(XmlWriter& writer, std::string_view contactName, std::string_view name,
                    const Value& value) {
  try {
    const auto* text = std::get_if<std::string>(&value);
    if (text ? !text->empty() : !ValueText(value).empty()) AddCDataElement(writer, name, value);
  } catch (const Failure& failure) {
    NoteTrappedFailure();
    Log([&] {
      return "Error exporting contact " + std::string(contactName) + " - " + std::string(name) +
             ": " + ValueText(value) + FailureTail(failure);
    });
  }
}

}  // namespace tovask
