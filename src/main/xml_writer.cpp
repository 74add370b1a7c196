#include "main/xml_writer.h"

#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlwriter.h>

#include <optional>
#include <utility>

#include "main/failure.h"
#include "main/output_file.h"

namespace tovask {

namespace {

// libxml2 reports writer and I/O errors on standard error by default; the
// tool prints nothing, and the errors reach the caller as Failures instead.
// Silences the generic error channel while the object lives.
class QuietLibxml {
 public:
  QuietLibxml() : oldHandler_(xmlGenericError), oldContext_(xmlGenericErrorContext) {
    xmlSetGenericErrorFunc(nullptr, &Ignore);
    // So a failure reports this call's error, not one left from earlier.
    xmlResetLastError();
  }
  ~QuietLibxml() { xmlSetGenericErrorFunc(oldContext_, oldHandler_); }
  QuietLibxml(const QuietLibxml&) = delete;
  QuietLibxml& operator=(const QuietLibxml&) = delete;

 private:
  static void Ignore(void*, const char*, ...) {}
  xmlGenericErrorFunc oldHandler_;
  void* oldContext_;
};

Failure LibxmlFailure(const char* call) {
  const xmlError* error = xmlGetLastError();
  if (error == nullptr || error->code == XML_ERR_OK) {
    return Failure("libxml2", -1, std::string(call) + " failed");
  }
  std::string message = error->message != nullptr ? error->message : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return Failure("libxml2", error->code, std::string(call) + ": " + message);
}

// Length of the UTF-8 sequence led by `lead`, 0 when it cannot lead one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One UTF-8 sequence of a text.
struct Decoded {
  char32_t code = 0;
  std::size_t length = 1;  // bytes it covers; at least 1
  bool valid = false;      // false: invalid, cut short, overlong or beyond U+10FFFF
};

// Decodes the sequence at `pos`. A sequence cut short covers the bytes up to
// the one that broke it, which starts the next sequence.
Decoded DecodeAt(std::string_view text, std::size_t pos) {
  Decoded decoded;
  const auto lead = static_cast<unsigned char>(text[pos]);
  const int length = SequenceLength(lead);
  if (length == 0) return decoded;
  decoded.code = length == 1 ? lead : (lead & (0xFF >> (length + 1)));
  for (; decoded.length < static_cast<std::size_t>(length); ++decoded.length) {
    if (pos + decoded.length >= text.size()) return decoded;
    const auto next = static_cast<unsigned char>(text[pos + decoded.length]);
    if ((next & 0xC0) != 0x80) return decoded;
    decoded.code = (decoded.code << 6) | (next & 0x3F);
  }
  const bool overlong =
      (length == 3 && decoded.code < 0x800) || (length == 4 && decoded.code < 0x10000);
  decoded.valid = !overlong && decoded.code <= 0x10FFFF;
  return decoded;
}

// True when CleanXmlText would hand the text back unchanged. Plain ASCII,
// nearly every value of a contact, is decided byte by byte without decoding.
bool IsCleanXmlText(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if ((byte >= 0x20 && byte < 0x80) || byte == 0x9 || byte == 0xA || byte == 0xD) {
      ++pos;
      continue;
    }
    const Decoded decoded = DecodeAt(text, pos);
    if (!decoded.valid || !IsXmlChar(decoded.code)) return false;
    pos += decoded.length;
  }
  return true;
}

// Bytes gathered before one write() to the file: large writes keep the
// system calls and the file system's block work down on big documents.
constexpr std::size_t kOutputChunk = 1 << 20;

}  // namespace

std::string CleanXmlText(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const Decoded decoded = DecodeAt(text, pos);
    if (!decoded.valid) {
      clean += kReplacement;
    } else if (IsXmlChar(decoded.code)) {
      clean += text.substr(pos, decoded.length);
    }
    // Otherwise a control character, U+FFFE/U+FFFF or an encoded surrogate:
    // XML cannot carry it at all, so it is dropped.
    pos += decoded.length;
  }
  return clean;
}

struct XmlWriter::State {
  explicit State(const std::string& targetPath) : output(targetPath) {}

  OutputFile output;
  xmlTextWriterPtr writer = nullptr;
  // Output not yet written to the file.
  std::string pending;
  // One element composed before it goes to the writer.
  std::string element;
  // libxml2's error channel stays silenced while the writer lives: doing it
  // around every call would cost more than writing the element itself.
  std::optional<QuietLibxml> quiet;
  // The first failure that keeps the document from being completed; once
  // set, writes do nothing and Save() raises it.
  std::optional<Failure> failure;
  bool saved = false;

  // Notes a failed libxml2 call unless an earlier failure (such as the
  // write error that caused this one) is already kept.
  void Check(int result, const char* call) {
    if (result < 0 && !failure) failure = LibxmlFailure(call);
  }
  bool Writable() const { return writer != nullptr && !failure; }

  // Writes out what is pending; false (with the failure kept) when the file
  // refuses it.
  bool Flush() {
    if (!output.Write(pending)) {
      if (!failure) failure = output.failure();
      return false;
    }
    pending.clear();
    return true;
  }

  static int Write(void* context, const char* buffer, int length) {
    auto* state = static_cast<State*>(context);
    state->pending.append(buffer, static_cast<std::size_t>(length));
    if (state->pending.size() >= kOutputChunk && !state->Flush()) return -1;
    return length;
  }
  // The file is closed by Save() or the destructor, where its errors can be
  // reported.
  static int Close(void*) { return 0; }
};

XmlWriter::XmlWriter(std::string targetPath)
    : targetPath_(std::move(targetPath)), state_(std::make_unique<State>(targetPath_)) {
  State& state = *state_;
  if (state.output.failure()) {
    state.failure = state.output.failure();
    return;
  }
  state.pending.reserve(kOutputChunk + 8192);
  state.quiet.emplace();
  xmlOutputBufferPtr output =
      xmlOutputBufferCreateIO(&State::Write, &State::Close, &state, nullptr);
  if (output == nullptr) {
    state.failure = LibxmlFailure("xmlOutputBufferCreateIO");
    return;
  }
  state.writer = xmlNewTextWriter(output);  // owns output from here on
  if (state.writer == nullptr) {
    xmlOutputBufferClose(output);
    state.failure = LibxmlFailure("xmlNewTextWriter");
    return;
  }
  state.Check(xmlTextWriterStartDocument(state.writer, "1.0", nullptr, nullptr),
              "xmlTextWriterStartDocument");
}

XmlWriter::~XmlWriter() {
  State& state = *state_;
  if (state.writer != nullptr) {
    xmlFreeTextWriter(state.writer);
  }
  state.quiet.reset();
}

void XmlWriter::StartElement(std::string_view name) {
  if (!state_->Writable()) return;
  const std::string nameText(name);
  state_->Check(xmlTextWriterStartElement(state_->writer, BAD_CAST nameText.c_str()),
                "xmlTextWriterStartElement");
}

void XmlWriter::Attribute(std::string_view name, std::string_view value) {
  if (!state_->Writable()) return;
  const std::string nameText(name);
  const std::string clean = CleanXmlText(value);
  state_->Check(xmlTextWriterWriteAttribute(state_->writer, BAD_CAST nameText.c_str(),
                                            BAD_CAST clean.c_str()),
                "xmlTextWriterWriteAttribute");
}

void XmlWriter::CDataElement(std::string_view name, std::string_view value) {
  if (!state_->Writable()) return;
  State& state = *state_;
  if (IsCleanXmlText(value) && value.find("]]>") == std::string_view::npos) {
    // The common case: the element goes to the writer composed in one piece,
    // sparing libxml2's per-call bookkeeping of three calls.
    std::string& element = state.element;
    element.clear();
    element.append("<").append(name).append("><![CDATA[").append(value);
    element.append("]]></").append(name).append(">");
    state.Check(xmlTextWriterWriteRawLen(state.writer, BAD_CAST element.data(),
                                         static_cast<int>(element.size())),
                "xmlTextWriterWriteRawLen");
    return;
  }
  const std::string nameText(name);
  const std::string clean = CleanXmlText(value);
  state.Check(xmlTextWriterStartElement(state.writer, BAD_CAST nameText.c_str()),
              "xmlTextWriterStartElement");
  if (clean.find("]]>") == std::string::npos) {
    state.Check(xmlTextWriterWriteCDATA(state.writer, BAD_CAST clean.c_str()),
                "xmlTextWriterWriteCDATA");
  } else {
    // A CDATA section cannot hold its own terminator; one escaped text node
    // reads back as the same single child value.
    state.Check(xmlTextWriterWriteString(state.writer, BAD_CAST clean.c_str()),
                "xmlTextWriterWriteString");
  }
  state.Check(xmlTextWriterEndElement(state.writer), "xmlTextWriterEndElement");
}

void XmlWriter::EndElement() {
  if (!state_->Writable()) return;
  state_->Check(xmlTextWriterEndElement(state_->writer), "xmlTextWriterEndElement");
}

void XmlWriter::Save() {
  State& state = *state_;
  if (state.saved) return;
  if (state.failure) throw *state.failure;
  if (state.writer != nullptr) {
    state.Check(xmlTextWriterEndDocument(state.writer), "xmlTextWriterEndDocument");
    state.Check(xmlTextWriterFlush(state.writer), "xmlTextWriterFlush");
    if (state.failure) throw *state.failure;
    xmlFreeTextWriter(state.writer);
    state.writer = nullptr;
    // Freeing flushes once more; a write error there is kept by Write().
    if (state.failure || !state.Flush()) throw *state.failure;
  }
  state.output.Commit();
  state.saved = true;
}

}  // namespace tovask
