#pragma once
// The platform's XML document object (MSXML), with only what the backup
// files and the settings file need. Documents are loaded synchronously and
// never resolve anything outside the file: files come from shared backup
// folders, so a document type declaration is refused before parsing.
#include <windows.h>
#include <msxml2.h>

#include <string>

#include "catalogue/LoadFailure.h"
#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"

namespace xml {

enum class AttributeStatus { Present, Absent, Failed };

// One element, or none (false).
class Element {
 public:
  Element() noexcept = default;
  explicit Element(comlib::ComPtr<IXMLDOMElement> element) noexcept : e_(std::move(element)) {}
  explicit operator bool() const noexcept { return static_cast<bool>(e_); }
  // For callers that hand the element on (the restore start gives node
  // elements to the framework).
  IXMLDOMElement* Get() const noexcept { return e_.Get(); }

  // Null when it cannot be read.
  comlib::Bstr TagName() const;
  // Exact comparison, case included.
  bool HasTag(const wchar_t* name) const;
  // Present: the value; Absent: an empty text; Failed: a null text.
  AttributeStatus Attribute(const wchar_t* name, comlib::Bstr* value) const;
  // Any child node at all, elements or not.
  bool HasChildNodes() const noexcept;
  // Element children only: text, comments and processing instructions are passed over.
  Element FirstChild() const noexcept;
  Element NextSibling() const noexcept;

  HRESULT SetAttribute(const wchar_t* name, const wchar_t* value) noexcept;
  HRESULT AppendChild(const Element& child) noexcept;

 private:
  comlib::ComPtr<IXMLDOMElement> e_;
};

// The whole file, as Load reads it: fails for a missing or unreadable file
// and for one above the size limit, with failure saying which.
HRESULT ReadFileBytes(const wchar_t* path, std::string* bytes, LoadFailure* failure) noexcept;
// The same for a file already opened for reading; an invalid handle fails
// with the error in GetLastError.
HRESULT ReadFileBytes(HANDLE file, std::string* bytes, LoadFailure* failure) noexcept;

// Documents are made, parsed, read and let go by one thread of the process
// at a time: Wine's MSXML corrupts its heap when two threads parse
// malformed files at once, and the host must not fall with it. Whoever
// works on documents on more than one thread holds a turn for the whole
// reading; taking the bytes of a file needs none. A leaf lock: nothing else
// is taken while it is held.
class ParsingTurn {
 public:
  ParsingTurn() noexcept;
  ~ParsingTurn();
  ParsingTurn(const ParsingTurn&) = delete;
  ParsingTurn& operator=(const ParsingTurn&) = delete;
};

class Document {
 public:
  // A fresh empty document; fails when the document object cannot be made.
  HRESULT Create() noexcept;
  // Makes a fresh document and loads the file completely. Fails for a
  // missing or unreadable file, one above the size limit, an encoding the
  // byte check cannot look into, a document type declaration and a
  // document that is not well formed; Failure() then says which.
  HRESULT Load(const wchar_t* path) noexcept;
  // Load's checks and parse, for bytes read by ReadFileBytes.
  HRESULT Parse(std::string bytes) noexcept;
  const LoadFailure& Failure() const noexcept { return failure_; }
  Element DocumentElement() const noexcept;
  HRESULT CreateElement(const wchar_t* tag, Element* out) noexcept;
  // Appends to the document itself: the first element becomes the document element.
  HRESULT AppendChild(const Element& child) noexcept;
  HRESULT Save(const wchar_t* path) noexcept;
  IXMLDOMDocument* Get() const noexcept { return doc_.Get(); }

 private:
  comlib::ComPtr<IXMLDOMDocument> doc_;
  LoadFailure failure_;
};

// The element whose children are the node elements of a backup information
// file: the last "SYSTEM" child when the document element has "Name",
// otherwise the document element itself. None when there is no such element.
Element FindNodeContainer(const Document& document);
// Loads the file and finds its node container; fails when the file cannot be
// loaded or has no node container.
HRESULT FindNodeContainer(const wchar_t* path, Document* document, Element* container) noexcept;

// Whether the raw bytes of a file may go to the parser: false, with the
// reason, for a document type declaration in the prolog and for an encoding
// (from the byte order mark or the XML declaration) in which the bytes
// cannot be looked into. Text after the prolog is not looked at.
bool CheckBytes(const unsigned char* bytes, size_t size, LoadFailure* failure);

}  // namespace xml
