#include "catalogue/Xml.h"

#include <cstring>
#include <string>

#include "comlib/MsxmlIds.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"

namespace xml {

using namespace comlib::msxml;

// Keeps the first error a SAX parse reports. Lives on the stack of one
// parse, so its reference count is not looked at. External linkage: gcc
// may otherwise devirtualise calls on it into pure virtual calls.
class SaxErrorSink final : public ISAXErrorHandler {
 public:
  HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, kIidSaxErrorHandler)) return E_NOINTERFACE;
    *out = static_cast<ISAXErrorHandler*>(this);
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI error(ISAXLocator* locator, const wchar_t* message, HRESULT code) override {
    return Keep(locator, message, code);
  }
  HRESULT WINAPI fatalError(ISAXLocator* locator, const wchar_t* message, HRESULT code) override {
    return Keep(locator, message, code);
  }
  HRESULT WINAPI ignorableWarning(ISAXLocator*, const wchar_t*, HRESULT) override { return S_OK; }

  bool seen = false;
  int line = 0, column = 0;
  std::wstring message;

 private:
  HRESULT Keep(ISAXLocator* locator, const wchar_t* text, HRESULT) noexcept {
    if (seen) return E_FAIL;
    seen = true;
    if (locator) {
      locator->getLineNumber(&line);
      locator->getColumnNumber(&column);
    }
    try {
      if (text) message = text;
    } catch (...) {
    }
    return E_FAIL;  // the first error is enough
  }
};

namespace {

using comlib::ComPtr;
using comlib::UniqueBstr;

UniqueBstr MakeName(const wchar_t* text) noexcept { return UniqueBstr(::SysAllocString(text)); }

// The first element among node and its following siblings.
Element FirstElementFrom(ComPtr<IXMLDOMNode> node) noexcept {
  while (node) {
    DOMNodeType type = NODE_INVALID;
    if (SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT) {
      ComPtr<IXMLDOMElement> element;
      if (SUCCEEDED(node->QueryInterface(kIidElement, element.PutVoid())))
        return Element(std::move(element));
    }
    ComPtr<IXMLDOMNode> next;
    if (node->get_nextSibling(next.Put()) != S_OK) break;
    node = std::move(next);
  }
  return Element();
}

struct SafeArrayOwner {
  SAFEARRAY* array = nullptr;
  ~SafeArrayOwner() { if (array) ::SafeArrayDestroy(array); }
};

// Where and why a document is not well formed, from a SAX parse of the same
// bytes, for parsers whose document object says neither (Wine's).
void LocateParseError(const VARIANT& source, LoadFailure* failure) noexcept {
  ComPtr<ISAXXMLReader> reader;
  if (FAILED(::CoCreateInstance(kClsidSaxReader, nullptr, CLSCTX_INPROC_SERVER, kIidSaxReader, reader.PutVoid())))
    return;
  reader->putFeature(L"http://xml.org/sax/features/external-general-entities", VARIANT_FALSE);
  reader->putFeature(L"http://xml.org/sax/features/external-parameter-entities", VARIANT_FALSE);
  reader->putFeature(L"prohibit-dtd", VARIANT_TRUE);
  SaxErrorSink sink;
  if (FAILED(reader->putErrorHandler(&sink))) return;
  reader->parse(source);
  reader->putErrorHandler(nullptr);
  if (!sink.seen) return;
  failure->line = sink.line;
  failure->column = sink.column;
  try {
    std::wstring text = sink.message;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (!text.empty()) failure->text = std::move(text);
  } catch (...) {
  }
}

HRESULT Harden(IXMLDOMDocument* doc) noexcept {
  RETURN_IF_FAILED(doc->put_async(VARIANT_FALSE));
  // Windows defaults validateOnParse to true, Wine to false: say it.
  RETURN_IF_FAILED(doc->put_validateOnParse(VARIANT_FALSE));
  RETURN_IF_FAILED(doc->put_resolveExternals(VARIANT_FALSE));
  ComPtr<IXMLDOMDocument2> doc2;
  if (SUCCEEDED(doc->QueryInterface(kIidDocument2, doc2.PutVoid()))) {
    UniqueBstr name = MakeName(L"ProhibitDTD");
    VARIANT on;
    ::VariantInit(&on);
    V_VT(&on) = VT_BOOL;
    V_BOOL(&on) = VARIANT_TRUE;
    if (name) doc2->setProperty(name.get(), on);  // older parsers lack it; the byte check still holds
  }
  return S_OK;
}

// The bytes as code units of one width, for the look at the prolog.
class Units {
 public:
  Units(const unsigned char* bytes, size_t size, size_t width, bool bigEndian) noexcept
      : b_(bytes), n_(size / width), width_(width), big_(bigEndian) {}
  size_t size() const noexcept { return n_; }
  unsigned operator[](size_t i) const noexcept {
    if (width_ == 1) return b_[i];
    const unsigned char* u = b_ + 2 * i;
    return big_ ? (u[0] << 8 | u[1]) : (u[1] << 8 | u[0]);
  }
  bool StartsWith(size_t at, const char* text, bool ignoreCase = false) const noexcept {
    for (size_t k = 0; text[k]; ++k) {
      if (at + k >= n_) return false;
      unsigned c = (*this)[at + k];
      if (ignoreCase && c >= 'a' && c <= 'z') c -= 'a' - 'A';
      unsigned want = static_cast<unsigned char>(text[k]);
      if (ignoreCase && want >= 'a' && want <= 'z') want -= 'a' - 'A';
      if (c != want) return false;
    }
    return true;
  }
  // The position of text at or after from; size() when there is none.
  size_t Find(size_t from, const char* text) const noexcept {
    for (size_t i = from; i < n_; ++i)
      if (StartsWith(i, text)) return i;
    return n_;
  }

 private:
  const unsigned char* b_;
  size_t n_, width_;
  bool big_;
};

bool IsSpace(unsigned c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Encodings in which every character below 0x80 is that ASCII character and
// no other byte sequence decodes to one: the look at the bytes holds there.
const char* const kByteEncodings[] = {
    "UTF-8",       "US-ASCII",    "ASCII",        "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-3",
    "ISO-8859-4",  "ISO-8859-5",  "ISO-8859-6",   "ISO-8859-7",   "ISO-8859-8",   "ISO-8859-9",
    "ISO-8859-10", "ISO-8859-13", "ISO-8859-14",  "ISO-8859-15",  "ISO-8859-16",  "LATIN1",
    "WINDOWS-874", "WINDOWS-1250", "WINDOWS-1251", "WINDOWS-1252", "WINDOWS-1253", "WINDOWS-1254",
    "WINDOWS-1255", "WINDOWS-1256", "WINDOWS-1257", "WINDOWS-1258", "KOI8-R",     "KOI8-U",
    "SHIFT_JIS",   "EUC-JP",      "EUC-KR",       "GB2312",       "GBK",          "BIG5",
};
const char* const kWideEncodings[] = {"UTF-16", "UTF-16LE", "UTF-16BE", "UNICODE", "UCS-2", "ISO-10646-UCS-2",
                                      "UTF-8"};

template <size_t N>
bool Known(const std::wstring& name, const char* const (&list)[N]) noexcept {
  for (const char* known : list) {
    size_t k = 0;
    for (; known[k] && k < name.size(); ++k) {
      wchar_t c = name[k];
      if (c >= L'a' && c <= L'z') c -= L'a' - L'A';
      if (c != static_cast<wchar_t>(known[k])) break;
    }
    if (!known[k] && k == name.size()) return true;
  }
  return false;
}

// The value of the pseudo-attribute "encoding" in the declaration between
// begin and end; false when there is none.
bool DeclaredEncoding(const Units& u, size_t begin, size_t end, std::wstring* name) {
  for (size_t i = begin; i + 8 <= end; ++i) {
    if (!u.StartsWith(i, "encoding") || !IsSpace(u[i - 1])) continue;
    size_t at = i + 8;
    while (at < end && IsSpace(u[at])) ++at;
    if (at >= end || u[at] != '=') continue;
    ++at;
    while (at < end && IsSpace(u[at])) ++at;
    if (at >= end || (u[at] != '"' && u[at] != '\'')) continue;
    const unsigned quote = u[at++];
    name->clear();
    while (at < end && u[at] != quote) name->push_back(static_cast<wchar_t>(u[at++]));
    return true;
  }
  return false;
}

}  // namespace

HRESULT ReadFileBytes(const wchar_t* path, std::string* bytes, LoadFailure* failure) noexcept {
  comlib::UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return ReadFileBytes(file.get(), bytes, failure);
}

HRESULT ReadFileBytes(HANDLE file, std::string* bytes, LoadFailure* failure) noexcept {
  failure->kind = LoadFailure::Kind::CannotRead;
  if (file == INVALID_HANDLE_VALUE) return failure->status = comlib::LastErrorStatus();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file, &size)) return failure->status = comlib::LastErrorStatus();
  if (size.QuadPart > kMaxFileBytes) {
    failure->kind = LoadFailure::Kind::TooLarge;
    failure->size = size.QuadPart;
    return failure->status = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
  }
  try {
    bytes->resize(static_cast<size_t>(size.QuadPart));
  } catch (...) {
    return failure->status = E_OUTOFMEMORY;
  }
  DWORD read = 0;
  if (!bytes->empty() && !::ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr))
    return failure->status = comlib::LastErrorStatus();
  bytes->resize(read);
  *failure = LoadFailure();
  return S_OK;
}

namespace {
SRWLOCK g_parsing = SRWLOCK_INIT;
}  // namespace

ParsingTurn::ParsingTurn() noexcept { ::AcquireSRWLockExclusive(&g_parsing); }
ParsingTurn::~ParsingTurn() { ::ReleaseSRWLockExclusive(&g_parsing); }

bool CheckBytes(const unsigned char* b, size_t size, LoadFailure* failure) {
  *failure = LoadFailure();
  auto refuseEncoding = [&](const std::wstring& name) {
    failure->kind = LoadFailure::Kind::EncodingNotTaken;
    failure->text = name;
    failure->status = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    return false;
  };
  if (size >= 4 && ((b[0] == 0 && b[1] == 0) || (b[1] == 0 && b[2] == 0 && b[3] == 0) ||
                    (b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0)))
    return refuseEncoding(L"UTF-32 or UCS-4");
  size_t start = 0, width = 1;
  bool big = false;
  if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    width = 2, big = b[0] == 0xFE, start = 1;
  } else if (size >= 2 && ((b[0] == '<' && b[1] == 0) || (b[0] == 0 && b[1] == '<'))) {
    width = 2, big = b[0] == 0;
  } else if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    start = 3;
  }
  const Units u(b, size, width, big);
  size_t i = start;
  long line = 1;
  auto moveTo = [&](size_t to) {
    for (; i < to && i < u.size(); ++i)
      if (u[i] == '\n' || (u[i] == '\r' && (i + 1 >= u.size() || u[i + 1] != '\n'))) ++line;
  };
  {
    size_t first = i;
    while (first < u.size() && IsSpace(u[first])) ++first;
    // Without a mark, a file that opens with a byte outside printable ASCII,
    // a zero byte among its first four, or EBCDIC's "<?xm" is in an encoding
    // the look cannot follow. Other text before the first '<' is the
    // parser's to refuse.
    const bool ebcdic = first + 3 < u.size() && u[first] == 0x4C && u[first + 1] == 0x6F && u[first + 2] == 0xA7 &&
                        u[first + 3] == 0x94;
    bool zero = false;
    for (size_t k = 0; k < 4 && k < u.size(); ++k) zero = zero || u[k] == 0;
    if (width == 1 && start == 0 && first < u.size() && (u[first] >= 0x80 || u[first] < 0x20 || ebcdic || zero))
      return refuseEncoding(std::wstring());
  }
  // Only the prolog can hold a document type declaration: past white space,
  // comments and processing instructions, up to the first other markup.
  for (;;) {
    size_t next = i;
    while (next < u.size() && IsSpace(u[next])) ++next;
    moveTo(next);
    if (i >= u.size() || u[i] != '<') return true;  // the parser judges the rest
    if (u.StartsWith(i, "<?")) {
      const size_t end = u.Find(i + 2, "?>");
      if (end >= u.size()) return true;
      std::wstring name;
      if (u.StartsWith(i, "<?xml", true) && i + 5 < u.size() && (IsSpace(u[i + 5]) || u[i + 5] == '?') &&
          DeclaredEncoding(u, i + 5, end, &name) &&
          !(width == 1 ? Known(name, kByteEncodings) : Known(name, kWideEncodings)))
        return refuseEncoding(name);
      moveTo(end + 2);
    } else if (u.StartsWith(i, "<!--")) {
      const size_t end = u.Find(i + 4, "-->");
      if (end >= u.size()) return true;
      moveTo(end + 3);
    } else if (u.StartsWith(i, "<!DOCTYPE", true)) {
      failure->kind = LoadFailure::Kind::DeclaresDocumentType;
      failure->line = line;
      failure->status = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
      return false;
    } else {
      return true;
    }
  }
}

comlib::Bstr Element::TagName() const {
  comlib::Bstr name;
  if (e_) e_->get_tagName(name.put());
  return name;
}

bool Element::HasTag(const wchar_t* name) const {
  const comlib::Bstr tag = TagName();
  return !tag.IsNull() && tag.Length() == wcslen(name) && wcscmp(tag.c_str(), name) == 0;
}

AttributeStatus Element::Attribute(const wchar_t* name, comlib::Bstr* value) const {
  *value = comlib::Bstr();
  if (!e_) return AttributeStatus::Failed;
  UniqueBstr attribute = MakeName(name);
  if (!attribute) return AttributeStatus::Failed;
  VARIANT v;
  ::VariantInit(&v);
  const HRESULT hr = e_->getAttribute(attribute.get(), &v);
  if (hr == S_OK && V_VT(&v) == VT_BSTR) {
    *value = comlib::Bstr::Attach(V_BSTR(&v));
    if (value->IsNull()) *value = comlib::Bstr(L"");  // a null BSTR is an empty text
    return AttributeStatus::Present;
  }
  ::VariantClear(&v);
  if (hr == S_FALSE) {
    *value = comlib::Bstr(L"");
    return AttributeStatus::Absent;
  }
  return AttributeStatus::Failed;
}

bool Element::HasChildNodes() const noexcept {
  VARIANT_BOOL has = VARIANT_FALSE;
  return e_ && SUCCEEDED(e_->hasChildNodes(&has)) && has == VARIANT_TRUE;
}

Element Element::FirstChild() const noexcept {
  if (!e_) return Element();
  ComPtr<IXMLDOMNode> child;
  if (e_->get_firstChild(child.Put()) != S_OK) return Element();
  return FirstElementFrom(std::move(child));
}

Element Element::NextSibling() const noexcept {
  if (!e_) return Element();
  ComPtr<IXMLDOMNode> next;
  if (e_->get_nextSibling(next.Put()) != S_OK) return Element();
  return FirstElementFrom(std::move(next));
}

HRESULT Element::SetAttribute(const wchar_t* name, const wchar_t* value) noexcept {
  RETURN_HR_IF(E_UNEXPECTED, !e_);
  UniqueBstr attribute = MakeName(name);
  UniqueBstr text(::SysAllocString(value ? value : L""));
  RETURN_HR_IF(E_OUTOFMEMORY, !attribute || !text);
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text.get();
  return e_->setAttribute(attribute.get(), v);
}

HRESULT Element::AppendChild(const Element& child) noexcept {
  RETURN_HR_IF(E_UNEXPECTED, !e_ || !child);
  ComPtr<IXMLDOMNode> added;
  return e_->appendChild(child.Get(), added.Put());
}

HRESULT Document::Create() noexcept {
  doc_.Reset();
  ComPtr<IXMLDOMDocument> doc;
  RETURN_IF_FAILED(::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidDocument,
                                      doc.PutVoid()));
  RETURN_IF_FAILED(Harden(doc.Get()));
  doc_ = std::move(doc);
  return S_OK;
}

HRESULT Document::Load(const wchar_t* path) noexcept {
  failure_ = LoadFailure();
  doc_.Reset();
  RETURN_HR_IF(E_INVALIDARG, !path);
  // The bytes are read once and parsed from memory, so the file that was
  // checked is the file that is parsed.
  std::string bytes;
  RETURN_IF_FAILED(ReadFileBytes(path, &bytes, &failure_));
  return Parse(std::move(bytes));
}

HRESULT Document::Parse(std::string bytes) noexcept {
  failure_ = LoadFailure();
  doc_.Reset();
  return comlib::Guard([&]() -> HRESULT {
    if (bytes.empty()) {
      failure_.kind = LoadFailure::Kind::NotWellFormed;
      failure_.text = L"the file is empty";
      return failure_.status = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    if (!CheckBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &failure_))
      return failure_.status;
    const HRESULT created = Create();
    if (FAILED(created)) {
      failure_.kind = LoadFailure::Kind::NoParser;
      return failure_.status = created;
    }

    SafeArrayOwner array;
    array.array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !array.array);
    void* data = nullptr;
    RETURN_IF_FAILED(::SafeArrayAccessData(array.array, &data));
    std::memcpy(data, bytes.data(), bytes.size());
    ::SafeArrayUnaccessData(array.array);
    bytes = std::string();

    VARIANT source;
    ::VariantInit(&source);
    V_VT(&source) = VT_ARRAY | VT_UI1;
    V_ARRAY(&source) = array.array;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT hr = doc_->load(source, &loaded);
    ComPtr<IXMLDOMParseError> error;
    long code = 0;
    if (SUCCEEDED(doc_->get_parseError(error.Put())) && error) error->get_errorCode(&code);
    if (SUCCEEDED(hr) && loaded == VARIANT_TRUE && code == 0) return S_OK;
    failure_.kind = LoadFailure::Kind::NotWellFormed;
    failure_.status = FAILED(hr) ? hr : (code != 0 ? static_cast<HRESULT>(code) : E_FAIL);
    if (error) {
      comlib::Bstr reason;
      if (SUCCEEDED(error->get_reason(reason.put()))) failure_.text = reason.str();
      while (!failure_.text.empty() && (failure_.text.back() == L'\n' || failure_.text.back() == L'\r'))
        failure_.text.pop_back();
      error->get_line(&failure_.line);
      error->get_linepos(&failure_.column);
    }
    doc_.Reset();
    if (failure_.line <= 0) LocateParseError(source, &failure_);
    return failure_.status;
  });
}

Element Document::DocumentElement() const noexcept {
  ComPtr<IXMLDOMElement> root;
  if (!doc_ || doc_->get_documentElement(root.Put()) != S_OK) return Element();
  return Element(std::move(root));
}

HRESULT Document::CreateElement(const wchar_t* tag, Element* out) noexcept {
  RETURN_HR_IF(E_POINTER, !out);
  *out = Element();
  RETURN_HR_IF(E_UNEXPECTED, !doc_);
  UniqueBstr name = MakeName(tag);
  RETURN_HR_IF(E_OUTOFMEMORY, !name);
  ComPtr<IXMLDOMElement> element;
  RETURN_IF_FAILED(doc_->createElement(name.get(), element.Put()));
  *out = Element(std::move(element));
  return S_OK;
}

HRESULT Document::AppendChild(const Element& child) noexcept {
  RETURN_HR_IF(E_UNEXPECTED, !doc_ || !child);
  ComPtr<IXMLDOMNode> added;
  return doc_->appendChild(child.Get(), added.Put());
}

HRESULT Document::Save(const wchar_t* path) noexcept {
  RETURN_HR_IF(E_UNEXPECTED, !doc_);
  UniqueBstr target(::SysAllocString(path));
  RETURN_HR_IF(E_OUTOFMEMORY, !target);
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = target.get();
  return doc_->save(v);
}

Element FindNodeContainer(const Document& document) {
  const Element root = document.DocumentElement();
  if (!root) return Element();
  comlib::Bstr name;
  if (root.Attribute(L"Name", &name) != AttributeStatus::Present) return root;
  Element container;
  for (Element child = root.FirstChild(); child; child = child.NextSibling())
    if (child.HasTag(L"SYSTEM")) container = child;
  return container;
}

HRESULT FindNodeContainer(const wchar_t* path, Document* document, Element* container) noexcept {
  RETURN_HR_IF(E_POINTER, !document || !container);
  *container = Element();
  RETURN_IF_FAILED(document->Load(path));
  return comlib::Guard([&]() -> HRESULT {
    *container = FindNodeContainer(*document);
    return *container ? S_OK : S_FALSE;
  });
}

}  // namespace xml
