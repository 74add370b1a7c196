#include "import/contact_collector.h"

#include <utility>

namespace tovask {

namespace {

constexpr const char* kSource = "ContactDocument";
// The numbers of a collect failure, after the errors the peer system's own
// object model raised for the same faults.
constexpr std::int32_t kNoChildNode = 91;
constexpr std::int32_t kValueTooLong = 7;

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

// The parser reports "&" in an attribute value as "&#38;", and any other
// "&" cannot occur there.
std::string AttributeText(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (std::size_t pos = 0; pos < value.size();) {
    if (value.compare(pos, 5, "&#38;") == 0) {
      text += '&';
      pos += 5;
    } else {
      text += value[pos++];
    }
  }
  return text;
}

const char* KindText(ContactCollector::NodeKind kind) {
  switch (kind) {
    case ContactCollector::kCData:
      return "A CDATA section";
    case ContactCollector::kComment:
      return "A comment";
    case ContactCollector::kProcessingInstruction:
      return "A processing instruction";
  }
  return "A node";
}

}  // namespace

// A contact element being read: the contact so far, the text standing
// directly inside it, and its child element open now.
struct ContactCollector::OpenContact {
  DocumentContact contact;
  int depth = 0;
  bool complete = false;

  // Text directly inside the contact element: a node unless all blank.
  bool textPending = false;
  bool textBlank = true;

  // The first child node of the child element open now.
  enum class First { kNone, kText, kDecided };
  std::string fieldName;
  int fieldPlace = FieldValues::kNotRead;
  First first = First::kNone;
  bool valueNull = false;  // decided: an element
  bool valueBlank = true;  // text so far all blank
  std::size_t valueLength = 0;
  std::string value;  // kept only while the field may still be stored

  void Reset(int elementDepth) {
    contact.entryId.reset();
    contact.id.reset();
    contact.fields.Clear();
    contact.collectFailure.reset();
    depth = elementDepth;
    complete = false;
    textPending = false;
    textBlank = true;
    first = First::kNone;
  }

  void Fail(std::int32_t number, std::string description) {
    if (!contact.collectFailure) contact.collectFailure.emplace(kSource, number, description);
  }

  // Whether the value of the open field can still end up in the fields.
  bool Keeps() const {
    return !contact.collectFailure && fieldPlace != FieldValues::kNotRead &&
           !contact.fields.Has(fieldPlace);
  }

  void Append(std::string_view text) {
    valueLength += text.size();
    if (valueLength <= kMaxFieldValueBytes && Keeps()) value.append(text);
  }

  // --- nodes directly inside the contact element

  void FlushText() {
    if (textPending && !textBlank) Fail(kNoChildNode, "Text inside a contact has no child node");
    textPending = false;
    textBlank = true;
  }

  void StartField(std::string_view name) {
    FlushText();
    fieldName.assign(name);
    fieldPlace = FieldValues::PlaceOf(name);
    first = First::kNone;
  }

  void EndField() {
    ResolveText();
    if (first == First::kNone) {
      Fail(kNoChildNode, "The element " + fieldName + " has no child node");
    } else if (valueLength > kMaxFieldValueBytes) {
      Fail(kValueTooLong, "The value of " + fieldName + " is longer than " +
                              std::to_string(kMaxFieldValueBytes) + " bytes");
    } else if (!valueNull && Keeps()) {
      contact.fields.Add(fieldPlace, value);
    }
  }

  // --- the first child node of the open field

  void BeginValue(First state, bool isNull) {
    first = state;
    valueNull = isNull;
    valueBlank = true;
    valueLength = 0;
    value.clear();
  }

  void FieldText(std::string_view text) {
    if (first == First::kDecided) return;
    if (first == First::kNone) BeginValue(First::kText, false);
    valueBlank = valueBlank && IsBlank(text);
    Append(text);
  }

  // A text node ends at the next node: made of blanks only, it was none.
  void ResolveText() {
    if (first != First::kText) return;
    first = valueBlank ? First::kNone : First::kDecided;
  }

  void FieldNode(std::string_view text, bool isNull) {
    ResolveText();
    if (first != First::kNone) return;
    BeginValue(First::kDecided, isNull);
    Append(text);
  }
};

ContactCollector::ContactCollector(const ContactHandler& onContact) : onContact_(onContact) {}
ContactCollector::~ContactCollector() = default;

ContactCollector::OpenContact* ContactCollector::ContactAt(int depth) const {
  if (depth < 1 || static_cast<std::size_t>(depth) >= byDepth_.size()) return nullptr;
  return byDepth_[static_cast<std::size_t>(depth)];
}

void ContactCollector::StartElement(std::string_view prefix, std::string_view localName,
                                    const std::vector<Attribute>& attributes) {
  const int depth = depth_ + 1;
  name_.assign(prefix);
  if (!prefix.empty()) name_ += ':';
  name_ += localName;
  if (OpenContact* parent = ContactAt(depth - 1)) parent->StartField(name_);
  if (OpenContact* grandparent = ContactAt(depth - 2)) grandparent->FieldNode({}, true);
  depth_ = depth;
  if (IsContact(prefix, localName)) OpenNewContact(depth, attributes);
}

void ContactCollector::EndElement() {
  const int depth = depth_;
  if (OpenContact* contact = ContactAt(depth)) {
    contact->FlushText();
    contact->complete = true;
    byDepth_[static_cast<std::size_t>(depth)] = nullptr;
  }
  if (OpenContact* parent = ContactAt(depth - 1)) parent->EndField();
  depth_ = depth - 1;
  HandOverCompleted();
}

void ContactCollector::Characters(std::string_view text) {
  const int depth = depth_ + 1;
  if (OpenContact* parent = ContactAt(depth - 1)) {
    parent->textPending = true;
    parent->textBlank = parent->textBlank && IsBlank(text);
  }
  if (OpenContact* grandparent = ContactAt(depth - 2)) grandparent->FieldText(text);
}

void ContactCollector::Node(NodeKind kind, std::string_view text) {
  const int depth = depth_ + 1;
  if (OpenContact* parent = ContactAt(depth - 1)) {
    parent->FlushText();
    parent->Fail(kNoChildNode, std::string(KindText(kind)) + " inside a contact has no child node");
  }
  if (OpenContact* grandparent = ContactAt(depth - 2)) grandparent->FieldNode(text, false);
}

ContactCollector::OpenContact& ContactCollector::OpenNewContact(
    int depth, const std::vector<Attribute>& attributes) {
  std::unique_ptr<OpenContact> open;
  if (spare_.empty()) {
    open = std::make_unique<OpenContact>();
  } else {
    open = std::move(spare_.back());
    spare_.pop_back();
  }
  open->Reset(depth);
  for (const Attribute& attribute : attributes) {
    if (attribute.name == "EntryID") {
      open->contact.entryId = AttributeText(attribute.value);
    } else if (attribute.name == "id") {
      open->contact.id = AttributeText(attribute.value);
    }
  }
  if (byDepth_.size() <= static_cast<std::size_t>(depth)) {
    byDepth_.resize(static_cast<std::size_t>(depth) + 1, nullptr);
  }
  byDepth_[static_cast<std::size_t>(depth)] = open.get();
  pending_.push_back(std::move(open));
  return *pending_.back();
}

void ContactCollector::HandOverCompleted() {
  while (!pending_.empty() && pending_.front()->complete) {
    std::unique_ptr<OpenContact> done = std::move(pending_.front());
    pending_.pop_front();
    onContact_(done->contact);
    spare_.push_back(std::move(done));
  }
}

}  // namespace tovask
