#include "import/contact_document.h"

#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <string_view>
#include <utility>
#include <vector>

#include "import/contact_collector.h"
#include "main/xml_writer.h"

namespace tovask {

namespace {

// Context shown either side of an error position, in bytes (so at most as
// many characters).
constexpr std::size_t kContextBytes = 500;

// The input file, read through libxml2's I/O callbacks so that a failing
// read keeps its errno.
class InputFile {
 public:
  explicit InputFile(const std::string& path) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
      reason_ = std::strerror(errno);
      return;
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
      reason_ = std::strerror(errno);
    } else if (!S_ISREG(status.st_mode)) {
      reason_ = S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
    }
  }
  ~InputFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Why the file cannot be read: set when opening or a read failed.
  const std::optional<std::string>& reason() const { return reason_; }

  // Hands out the file in the parser's small requests from reads of a
  // larger block, so a big document costs few system calls.
  static int Read(void* context, char* buffer, int length) {
    auto* file = static_cast<InputFile*>(context);
    if (file->next_ == file->block_.size()) {
      if (!file->Fill()) return -1;
    }
    const std::size_t count =
        std::min(static_cast<std::size_t>(length), file->block_.size() - file->next_);
    std::memcpy(buffer, file->block_.data() + file->next_, count);
    file->next_ += count;
    return static_cast<int>(count);
  }
  // The descriptor is closed by the destructor.
  static int Close(void*) { return 0; }

 private:
  bool Fill() {
    block_.resize(kBlockBytes);
    next_ = 0;
    for (;;) {
      const ssize_t got = ::read(fd_, block_.data(), block_.size());
      if (got >= 0) {
        block_.resize(static_cast<std::size_t>(got));
        return true;
      }
      if (errno == EINTR) continue;
      reason_ = std::strerror(errno);
      block_.clear();
      return false;
    }
  }

  static constexpr std::size_t kBlockBytes = 1 << 16;
  int fd_ = -1;
  std::optional<std::string> reason_;
  std::string block_;
  std::size_t next_ = 0;
};

// libxml2 reports some errors (encoding conversion, I/O) on standard error
// outside the parser's own channel; the tool prints nothing.
class QuietGenericErrors {
 public:
  QuietGenericErrors() : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
    xmlSetGenericErrorFunc(nullptr, &Ignore);
  }
  ~QuietGenericErrors() { xmlSetGenericErrorFunc(context_, handler_); }
  QuietGenericErrors(const QuietGenericErrors&) = delete;
  QuietGenericErrors& operator=(const QuietGenericErrors&) = delete;

 private:
  static void Ignore(void*, const char*, ...) {}
  xmlGenericErrorFunc handler_;
  void* context_;
};

// The text of the line the parser stands on, around its position: what the
// parser still holds of it, at most kContextBytes either side.
std::string LineAroundPosition(xmlParserCtxtPtr ctxt) {
  if (ctxt == nullptr) return "";
  const xmlParserInputPtr input = ctxt->input;
  if (input == nullptr || input->base == nullptr || input->cur == nullptr) return "";
  const char* base = reinterpret_cast<const char*>(input->base);
  const char* end = reinterpret_cast<const char*>(input->end);
  const char* cur = std::min(std::max(reinterpret_cast<const char*>(input->cur), base), end);
  const char* start = cur;
  while (start > base && start[-1] != '\n' &&
         static_cast<std::size_t>(cur - start) < kContextBytes) {
    --start;
  }
  const char* stop = cur;
  while (stop < end && *stop != '\n' && static_cast<std::size_t>(stop - cur) < kContextBytes) {
    ++stop;
  }
  // Cut at character boundaries, not inside a UTF-8 sequence.
  while (start < cur && (static_cast<unsigned char>(*start) & 0xC0) == 0x80) ++start;
  if (stop < end) {
    while (stop > cur && (static_cast<unsigned char>(*stop) & 0xC0) == 0x80) --stop;
  }
  std::string_view line(start, static_cast<std::size_t>(stop - start));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return CleanXmlText(line);
}

// One pass over the file: what the SAX callbacks share.
struct ParseRun {
  xmlParserCtxtPtr ctxt = nullptr;
  ContactCollector* collector = nullptr;  // null: checking only
  std::vector<ContactCollector::Attribute> attributes;
  std::optional<DocumentError> refused;  // a document type declaration
  std::optional<DocumentError> fatal;    // the first fatal error
  std::optional<DocumentError> error;    // the first other error
  std::exception_ptr handlerFailure;     // what the collector raised
};

ParseRun& RunOf(void* data) { return *static_cast<ParseRun*>(data); }

// Runs a collector step; what it raises must not cross libxml2's C frames,
// so it is kept and the parser stopped.
template <class Step>
void Collect(void* data, Step&& step) {
  ParseRun& run = RunOf(data);
  if (run.handlerFailure) return;
  try {
    step(*run.collector);
  } catch (...) {
    run.handlerFailure = std::current_exception();
    xmlStopParser(run.ctxt);
  }
}

std::string_view Text(const xmlChar* text, int length) {
  return {reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)};
}
std::string_view Text(const xmlChar* text) {
  return text == nullptr ? std::string_view() : reinterpret_cast<const char*>(text);
}

void OnStartElement(void* data, const xmlChar* localName, const xmlChar* prefix, const xmlChar*,
                    int, const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
  std::vector<ContactCollector::Attribute>& list = RunOf(data).attributes;
  Collect(data, [&](ContactCollector& collector) {
    list.clear();
    if (ContactCollector::IsContact(Text(prefix), Text(localName))) {
      // Each attribute is five pointers: local name, prefix, URI, value and
      // the value's end.
      for (int i = 0; i < attributeCount; ++i) {
        const xmlChar** attribute = attributes + 5 * i;
        if (attribute[1] != nullptr) continue;
        list.push_back({Text(attribute[0]),
                        Text(attribute[3], static_cast<int>(attribute[4] - attribute[3]))});
      }
    }
    collector.StartElement(Text(prefix), Text(localName), list);
  });
}

void OnEndElement(void* data, const xmlChar*, const xmlChar*, const xmlChar*) {
  Collect(data, [](ContactCollector& collector) { collector.EndElement(); });
}

void OnCharacters(void* data, const xmlChar* text, int length) {
  Collect(data, [&](ContactCollector& collector) { collector.Characters(Text(text, length)); });
}

void OnCData(void* data, const xmlChar* text, int length) {
  Collect(data, [&](ContactCollector& collector) {
    collector.Node(ContactCollector::kCData, Text(text, length));
  });
}

void OnComment(void* data, const xmlChar* text) {
  Collect(data, [&](ContactCollector& collector) {
    collector.Node(ContactCollector::kComment, Text(text));
  });
}

void OnProcessingInstruction(void* data, const xmlChar*, const xmlChar* content) {
  Collect(data, [&](ContactCollector& collector) {
    collector.Node(ContactCollector::kProcessingInstruction, Text(content));
  });
}

// A document type declaration could declare entities and name external
// files; none is read: the document is refused right there.
void OnDocumentType(void* data, const xmlChar*, const xmlChar*, const xmlChar*) {
  ParseRun& run = RunOf(data);
  if (!run.refused) {
    run.refused = DocumentError{run.ctxt->input != nullptr ? run.ctxt->input->line : 0,
                                LineAroundPosition(run.ctxt)};
  }
  xmlStopParser(run.ctxt);
}

void OnError(void* data, xmlErrorPtr error) {
  ParseRun& run = RunOf(data);
  if (error == nullptr || error->level < XML_ERR_ERROR) return;
  std::optional<DocumentError>& kept = error->level == XML_ERR_FATAL ? run.fatal : run.error;
  if (!kept) kept = DocumentError{error->line, LineAroundPosition(run.ctxt)};
}

// Parses the whole file once, handing its nodes to `collector` (when
// given). Returns the error that makes the file unacceptable; what the
// collector raised goes to `handlerFailure`.
std::optional<DocumentError> Parse(const std::string& path, ContactCollector* collector,
                                   std::exception_ptr& handlerFailure) {
  InputFile file(path);
  if (file.reason()) return DocumentError{0, *file.reason()};

  xmlSAXHandler sax{};
  sax.initialized = XML_SAX2_MAGIC;
  sax.internalSubset = OnDocumentType;
  sax.serror = OnError;
  if (collector != nullptr) {
    sax.startElementNs = OnStartElement;
    sax.endElementNs = OnEndElement;
    sax.characters = OnCharacters;
    sax.ignorableWhitespace = OnCharacters;
    sax.cdataBlock = OnCData;
    sax.comment = OnComment;
    sax.processingInstruction = OnProcessingInstruction;
  }
  ParseRun run;
  run.collector = collector;
  QuietGenericErrors quiet;
  xmlParserCtxtPtr ctxt = xmlCreateIOParserCtxt(&sax, &run, &InputFile::Read, &InputFile::Close,
                                                &file, XML_CHAR_ENCODING_NONE);
  if (ctxt == nullptr) return DocumentError{0, std::strerror(ENOMEM)};
  run.ctxt = ctxt;
  // No network, no DTD loaded, no entity substituted, blanks reported: the
  // options left out are as important as the one given.
  xmlCtxtUseOptions(ctxt, XML_PARSE_NONET);
  xmlParseDocument(ctxt);
  const bool wellFormed = ctxt->wellFormed != 0;
  // Once a fatal error has silenced the handlers, libxml2 keeps the entity
  // declarations that follow in a document of its own making, which the
  // context does not free.
  if (ctxt->myDoc != nullptr) {
    xmlFreeDoc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
  }
  xmlFreeParserCtxt(ctxt);

  handlerFailure = run.handlerFailure;
  if (file.reason()) return DocumentError{0, *file.reason()};
  if (run.refused) return run.refused;
  if (run.fatal) return run.fatal;
  if (!wellFormed)
    return run.error ? run.error : DocumentError{0, "The document is not well-formed"};
  return std::nullopt;
}

}  // namespace

std::optional<DocumentError> CheckContactDocument(const std::string& path) {
  std::exception_ptr unused;
  return Parse(path, nullptr, unused);
}

void ReadContacts(const std::string& path, const ContactHandler& onContact) {
  ContactCollector collector(onContact);
  std::exception_ptr handlerFailure;
  std::optional<DocumentError> error = Parse(path, &collector, handlerFailure);
  if (handlerFailure) std::rethrow_exception(handlerFailure);
  if (error) {
    throw Failure("ContactDocument", 1, "line " + std::to_string(error->line) + ": " + error->text);
  }
}

}  // namespace tovask
