#include "catalogue/Xml.h"

#include <cstring>

#include "comlib/Result.h"
#include "comlib/Unique.h"

namespace xml {

const CLSID kClsidDomDocument = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidNode = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

namespace {

// Information files are a few kilobytes; anything far larger is no such file.
constexpr LONGLONG kMaxFileBytes = 64ll << 20;

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

template <size_t N>
bool Contains(const unsigned char* bytes, size_t size, const char (&needle)[N], bool ignoreCase) noexcept {
  const size_t n = N - 1;
  if (size < n) return false;
  for (size_t i = 0; i + n <= size; ++i) {
    size_t k = 0;
    for (; k < n; ++k) {
      unsigned char c = bytes[i + k];
      if (ignoreCase && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
      if (c != static_cast<unsigned char>(needle[k])) break;
    }
    if (k == n) return true;
  }
  return false;
}

bool Contains16(const unsigned char* bytes, size_t size, bool bigEndian, const char* needle) noexcept {
  const size_t n = std::strlen(needle);
  const size_t units = size / 2;
  for (size_t i = 0; i + n <= units; ++i) {
    size_t k = 0;
    for (; k < n; ++k) {
      const unsigned char* u = bytes + 2 * (i + k);
      const unsigned value = bigEndian ? (u[0] << 8 | u[1]) : (u[1] << 8 | u[0]);
      if (value != static_cast<unsigned char>(needle[k])) break;
    }
    if (k == n) return true;
  }
  return false;
}

struct SafeArrayOwner {
  SAFEARRAY* array = nullptr;
  ~SafeArrayOwner() { if (array) ::SafeArrayDestroy(array); }
};

HRESULT ReadWholeFile(const wchar_t* path, std::string* bytes) noexcept {
  comlib::UniqueHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return comlib::LastErrorStatus();
  }
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) return comlib::LastErrorStatus();
  if (size.QuadPart <= 0 || size.QuadPart > kMaxFileBytes) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  try {
    bytes->resize(static_cast<size_t>(size.QuadPart));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  DWORD read = 0;
  if (!::ReadFile(file.get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr))
    return comlib::LastErrorStatus();
  bytes->resize(read);
  return S_OK;
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

}  // namespace

bool MayDeclareDocumentType(const unsigned char* b, size_t size) noexcept {
  if (size >= 4) {
    // Four-byte encodings: not looked into, so not taken.
    if ((b[0] == 0 && b[1] == 0) || (b[1] == 0 && b[2] == 0 && b[3] == 0) ||
        (b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0))
      return true;
  }
  if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    const bool big = b[0] == 0xFE;
    return Contains16(b + 2, size - 2, big, "<!DOCTYPE");
  }
  if (size >= 2 && b[0] == '<' && b[1] == 0) return Contains16(b, size, false, "<!DOCTYPE");
  if (size >= 2 && b[0] == 0 && b[1] == '<') return Contains16(b, size, true, "<!DOCTYPE");
  // An ASCII-compatible encoding must open with '<' after an optional UTF-8
  // mark and white space; EBCDIC and the like are not taken.
  size_t i = (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) ? 3 : 0;
  while (i < size && (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n')) ++i;
  if (i >= size || b[i] != '<') return true;
  // UTF-7 could spell the declaration without its ASCII letters.
  if (Contains(b, size < 512 ? size : 512, "utf-7", true)) return true;
  return Contains(b, size, "<!DOCTYPE", false);
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
  RETURN_HR_IF(E_INVALIDARG, !path);
  // The bytes are read once and parsed from memory, so the file that was
  // checked is the file that is parsed.
  std::string bytes;
  RETURN_IF_FAILED(ReadWholeFile(path, &bytes));
  if (MayDeclareDocumentType(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
    return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
  RETURN_IF_FAILED(Create());

  SafeArrayOwner array;
  array.array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  RETURN_HR_IF(E_OUTOFMEMORY, !array.array);
  void* data = nullptr;
  RETURN_IF_FAILED(::SafeArrayAccessData(array.array, &data));
  std::memcpy(data, bytes.data(), bytes.size());
  ::SafeArrayUnaccessData(array.array);

  VARIANT source;
  ::VariantInit(&source);
  V_VT(&source) = VT_ARRAY | VT_UI1;
  V_ARRAY(&source) = array.array;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = doc_->load(source, &loaded);
  ComPtr<IXMLDOMParseError> error;
  long code = 0;
  if (SUCCEEDED(doc_->get_parseError(error.Put())) && error) error->get_errorCode(&code);
  if (FAILED(hr) || loaded != VARIANT_TRUE || code != 0) {
    doc_.Reset();
    return FAILED(hr) ? hr : (code != 0 ? static_cast<HRESULT>(code) : E_FAIL);
  }
  return S_OK;
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
