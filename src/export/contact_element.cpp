#include "export/contact_element.h"

#include <string>
#include <variant>

#include "export/contact_fields.h"
#include "main/failure.h"
#include "main/log.h"
#include "main/xml_elements.h"

namespace tovask {

namespace {

// Visual Basic's "Type mismatch", the error a date conversion of a non-date
// value raises in Outlook's own tools.
constexpr std::int32_t kTypeMismatch = 13;

DateTime DateOf(const Value& value) {
  if (const auto* date = std::get_if<DateTime>(&value)) return *date;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto parsed = DateTime::Parse(*text)) return *parsed;
  }
  throw Failure("tovask", kTypeMismatch, "Type mismatch");
}

bool IsMissing(const Value& value) {
  if (std::holds_alternative<std::monostate>(value)) return true;
  const auto* text = std::get_if<std::string>(&value);
  return text != nullptr && text->empty();
}

}  // namespace

void AddDateElement(XmlWriter& document, std::string_view contactLabel, std::string_view name,
                    const Value& value) {
  try {
    if (IsMissing(value)) return;
    const DateTime date = DateOf(value);
    const int year = date.Year();
    if (year > 1900 && year < 3000) {
      AddCDataElement(document, name, Value(date.ToDateText()));
    }
  } catch (const Failure& failure) {
    NoteTrappedFailure();
    Log([&] {
      return "Error exporting contact " + std::string(contactLabel) + " - " + std::string(name) +
             ": " + ValueText(value) + FailureTail(failure);
    });
  }
}

void WriteContactElement(XmlWriter& document, outlook::Item& contact, bool& fieldPhase) {
  document.StartElement("contact");
  try {
    // The label names the contact in every failure message of its fields, so
    // it is read whether or not the log is on.
    std::string label =
        ValueText(contact.GetProperty("FileAs")) + "," + ValueText(contact.GetProperty("FullName"));
    Log([&] { return "Processing Outlook contact: " + label; });
    fieldPhase = true;
    for (const ContactField& field : kContactFields) {
      Value value = contact.GetProperty(field.name);
      if (field.kind == FieldKind::kDate) {
        AddDateElement(document, label, field.name, value);
      } else {
        AddTextElement(document, label, field.name, value);
      }
    }
  } catch (...) {
    document.EndElement();
    throw;
  }
  document.EndElement();
}

}  // namespace tovask
