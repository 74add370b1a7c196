// Reading a contact document that the peer system wrote, for the import.
//
// The file is untrusted. It is read with libxml2's SAX parser in two
// streaming passes, so memory stays flat however many contacts it holds:
// CheckContactDocument() makes sure the whole file is one well-formed
// document before anything else happens, then ReadContacts() hands over
// one `contact` element at a time.
//
// Refused as not well-formed: whatever libxml2 refuses (its limits
// included: 256 levels of elements, 10 MB in one CDATA section, comment or
// attribute) and any document type declaration (<!DOCTYPE ...>). So no DTD
// is ever read, no entity but the five predefined ones and character
// references exists, nothing is fetched from the network and no entity can
// be expanded into more text than the file holds. Encodings XML allows are
// read (UTF-8, UTF-16 with a byte order mark, a declared ISO-8859-1, ...);
// every text handed over is UTF-8.
//
// How a document shows its contacts (as the peer system's XML object model
// shows them):
// - a contact is every element named exactly `contact`, at any depth, in
//   document order (an outer contact comes before the contacts inside it);
// - its attributes `EntryID` and `id` (exact case);
// - its child nodes, of which text made of blanks only (spaces, tabs, line
//   breaks) is no node at all, so indenting changes nothing; a CDATA
//   section is always a node, blanks and all;
// - of each child element, its tag name (with any prefix, "x:Name") and the
//   value of its first child node: a text node's text (adjacent text and
//   character references are one node), a CDATA section's content, a
//   comment's or processing instruction's text; a first child that is an
//   element has no value.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "import/field_values.h"
#include "main/failure.h"

namespace tovask {

// Values longer than this (in UTF-8 bytes) are not read.
inline constexpr std::size_t kMaxFieldValueBytes = 1 << 20;

// One contact element, as the import uses it.
struct DocumentContact {
  std::optional<std::string> entryId;  // the EntryID attribute
  std::optional<std::string> id;       // the id attribute
  // The values of its child elements by tag name, the first of a name
  // winning; elements whose value is null or empty give nothing.
  FieldValues fields;
  // Set when the child nodes could not be read, which fails the whole
  // contact: a child node without a child node of its own (an element with
  // no content, text, a CDATA section, a comment or a processing
  // instruction standing directly inside the contact; source
  // "ContactDocument", 91), or a value longer than kMaxFieldValueBytes
  // ("ContactDocument", 7). The first such failure is kept; `fields` is then
  // incomplete and must not be applied.
  std::optional<Failure> collectFailure;
};

// Where and why a file is no acceptable document.
struct DocumentError {
  // The line of the error (from 1), 0 when the file could not be read.
  int line = 0;
  // The text of that line around the error position, at most 1,000
  // characters; or the system's reason when the file could not be read.
  std::string text;

  bool operator==(const DocumentError&) const = default;
};

// Reads the whole file once. Nothing when it is one well-formed document
// without a document type declaration; otherwise the first error. A file
// that cannot be opened or read, or that is not a regular file (a folder,
// a FIFO: the import reads its input twice), gives line 0.
std::optional<DocumentError> CheckContactDocument(const std::string& path);

using ContactHandler = std::function<void(const DocumentContact& contact)>;

// Hands each contact of the file to `onContact`, in document order. The
// contact handed over is valid during the call only.
//
// Raises what `onContact` raises; no further contact is handed over then.
// Raises a Failure ("ContactDocument", 1, "line N: text") when the file
// turns out not to be acceptable after all (it was changed since it was
// checked); the contacts before the error have been handed over.
void ReadContacts(const std::string& path, const ContactHandler& onContact);

}  // namespace tovask
