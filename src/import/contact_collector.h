// Builds the contacts of a contact document from its nodes as a streaming
// parser reports them, one contact at a time (see contact_document.h for
// how a document shows its contacts).
//
// Memory is bounded by the contacts open at once (those nested in an outer
// contact wait for it: document order puts the outer one first) and, per
// contact, by the names the import reads (FieldValues) and one value of at
// most kMaxFieldValueBytes. Contacts are reused once handed over.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/contact_document.h"

namespace tovask {

class ContactCollector {
 public:
  enum NodeKind { kCData, kComment, kProcessingInstruction };
  struct Attribute {
    std::string_view name;   // without a prefix
    std::string_view value;  // as the parser reports it ("&" as "&#38;")
  };

  explicit ContactCollector(const ContactHandler& onContact);
  ~ContactCollector();
  ContactCollector(const ContactCollector&) = delete;
  ContactCollector& operator=(const ContactCollector&) = delete;

  // True for the elements that are contacts: `contact`, without a prefix.
  static bool IsContact(std::string_view prefix, std::string_view localName) {
    return prefix.empty() && localName == "contact";
  }

  // The parser's events, in document order. Attributes are read of contact
  // elements only. Contacts are handed to onContact from EndElement; what
  // it raises goes through.
  void StartElement(std::string_view prefix, std::string_view localName,
                    const std::vector<Attribute>& attributes);
  void EndElement();
  void Characters(std::string_view text);
  void Node(NodeKind kind, std::string_view text);

 private:
  struct OpenContact;

  OpenContact* ContactAt(int depth) const;
  OpenContact& OpenNewContact(int depth, const std::vector<Attribute>& attributes);
  void HandOverCompleted();

  const ContactHandler& onContact_;
  // Depth of the element open now (the document element is 1).
  int depth_ = 0;
  // The open contact whose element stands at each depth, if any.
  std::vector<OpenContact*> byDepth_;
  // Contacts not yet handed over, in document order.
  std::deque<std::unique_ptr<OpenContact>> pending_;
  std::vector<std::unique_ptr<OpenContact>> spare_;
  std::string name_;
};

}  // namespace tovask
