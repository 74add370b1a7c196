// The one writer of every document the program saves (contact, feedback and
// folder list documents).
//
// Streams through libxml2's xmlTextWriter into an OutputFile (see
// output_file.h), so memory stays flat however large the document grows: a
// regular target is replaced only in Save(), so a run that dies before its
// save leaves the old file untouched (and no temporary file behind); a FIFO
// or character device is written into as the document grows.
//
// Output form: the declaration exactly <?xml version="1.0"?> (UTF-8, no byte
// order mark), no indentation and no whitespace between elements, every
// element value in one CDATA section. Values are cleaned before they are
// written so the file is always well-formed: characters XML 1.0 cannot carry
// are dropped, invalid UTF-8 becomes U+FFFD, and a value holding "]]>" is
// written as one escaped text node instead of a CDATA section.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tovask {

class XmlWriter {
 public:
  // Opens the output and writes the declaration. Never raises: when the
  // output cannot be opened, the failure is kept, the writes that follow do
  // nothing, and Save() raises it.
  explicit XmlWriter(std::string targetPath);
  // Removes a temporary file unless Save() succeeded.
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  // Opens a child element of the element open now (the first one is the root).
  void StartElement(std::string_view name);
  // Sets an attribute on the element just opened (before any child).
  void Attribute(std::string_view name, std::string_view value);
  // Appends <name><![CDATA[value]]></name> to the element open now; an empty
  // value gives an element with an empty CDATA section.
  void CDataElement(std::string_view name, std::string_view value);
  // Closes the element open now.
  void EndElement();

  // Closes every open element, flushes, and makes the document the target's
  // content (OutputFile::Commit). Raises a Failure when any of it fails; it
  // may then be called again (the caller's retry), and the temporary file is
  // kept until it succeeds or the writer is destroyed.
  // A failed write (a full disk), fsync or close leaves the document
  // incomplete: it is kept like a failed creation, later writes do nothing,
  // and every Save() raises it again. Only a failed rename can be retried
  // with success. Once saved, further calls do nothing.
  void Save();

  const std::string& targetPath() const { return targetPath_; }

 private:
  struct State;
  std::string targetPath_;
  std::unique_ptr<State> state_;
};

// Cleans a text for XML 1.0: drops characters XML cannot carry, replaces
// invalid UTF-8 with U+FFFD. Text that is already clean comes back unchanged.
std::string CleanXmlText(std::string_view text);

}  // namespace tovask
