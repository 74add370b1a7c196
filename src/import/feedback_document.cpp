#include "import/feedback_document.h"

namespace tovask {

void StartFeedbackDocument(XmlWriter& document) { document.StartElement("mergedcontacts"); }

void AddFeedbackElement(XmlWriter& document, std::string_view id, std::string_view entryId,
                        std::string_view status) {
  document.StartElement("contact");
  document.Attribute("id", id);
  document.Attribute("EntryID", entryId);
  document.Attribute("status", status);
  document.EndElement();
}

}  // namespace tovask
