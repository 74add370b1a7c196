#include "main/xml_elements.h"

#include <string>

#include "main/failure.h"
#include "main/log.h"

namespace tovask {

void AddCDataElement(XmlWriter& writer, std::string_view name, const Value& value) {
  writer.CDataElement(name, ValueText(value));
}

void AddTextElement(XmlWriter& writer, std::string_view contactName, std::string_view name,
                    const Value& value) {
  try {
    if (!ValueText(value).empty()) AddCDataElement(writer, name, value);
  } catch (const Failure& failure) {
    NoteTrappedFailure();
    Log([&] {
      return "Error exporting contact " + std::string(contactName) + " - " + std::string(name) +
             ": " + ValueText(value) + FailureTail(failure);
    });
  }
}

}  // namespace tovask
