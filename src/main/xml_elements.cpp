#include "main/xml_elements.h"

#include <string>

#include "main/failure.h"
#include "main/log.h"

namespace tovask {

namespace {

// Writes the element, or nothing when `onlyFilled` and its text is empty.
// Texts, most of a contact's fields, go out without a copy.
void WriteValue(XmlWriter& writer, std::string_view name, const Value& value, bool onlyFilled) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (!onlyFilled || !text->empty()) writer.CDataElement(name, *text);
    return;
  }
  const std::string text = ValueText(value);
  if (!onlyFilled || !text.empty()) writer.CDataElement(name, text);
}

void LogElementFailure(std::string_view contactName, std::string_view name,
                       std::string_view valueText, const Failure& failure) {
  NoteTrappedFailure();
  Log([&] {
    return "Error exporting contact " + std::string(contactName) + " - " + std::string(name) +
           ": " + std::string(valueText) + FailureTail(failure);
  });
}

}  // namespace

void AddCDataElement(XmlWriter& writer, std::string_view name, const Value& value) {
  WriteValue(writer, name, value, false);
}

void AddTextElement(XmlWriter& writer, std::string_view contactName, std::string_view name,
                    const Value& value) {
  try {
    WriteValue(writer, name, value, true);
  } catch (const Failure& failure) {
    LogElementFailure(contactName, name, ValueText(value), failure);
  }
}

void AddTextElement(XmlWriter& writer, std::string_view contactName, std::string_view name,
                    const std::function<Value()>& readValue) {
  Value value;
  try {
    value = readValue();
    WriteValue(writer, name, value, true);
  } catch (const Failure& failure) {
    LogElementFailure(contactName, name, ValueText(value), failure);
  }
}

}  // namespace tovask
