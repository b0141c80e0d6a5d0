#include "NodeContainer.h"

#include "comlib/Bstr.h"

namespace {

// mingw's msxml2.h declares no ids.
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocumentIid = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomElementIid = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

comlib::ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) noexcept {
  comlib::ComPtr<IXMLDOMElement> element;
  DOMNodeType type = NODE_INVALID;
  // Comments, processing instructions and text are passed over.
  if (SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT)
    node->QueryInterface(kDomElementIid, element.PutVoid());
  return element;
}

comlib::ComPtr<IXMLDOMElement> Read(const std::wstring& infoFile) {
  comlib::ComPtr<IXMLDOMDocument> document;
  if (FAILED(::CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentIid,
                                document.PutVoid())))
    return nullptr;
  document->put_async(VARIANT_FALSE);
  document->put_validateOnParse(VARIANT_FALSE);
  document->put_resolveExternals(VARIANT_FALSE);

  VARIANT source;
  ::VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = ::SysAllocString(infoFile.c_str());
  if (!source.bstrVal) return nullptr;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = document->load(source, &loaded);
  ::VariantClear(&source);
  if (hr != S_OK || loaded != VARIANT_TRUE) return nullptr;

  comlib::ComPtr<IXMLDOMElement> root;
  if (document->get_documentElement(root.Put()) != S_OK || !root) return nullptr;

  VARIANT name;
  ::VariantInit(&name);
  const bool named = root->getAttribute(comlib::Bstr(L"Name").get(), &name) == S_OK;
  ::VariantClear(&name);
  if (!named) return root;

  comlib::ComPtr<IXMLDOMElement> container;
  comlib::ComPtr<IXMLDOMNode> child;
  root->get_firstChild(child.Put());
  while (child) {
    if (comlib::ComPtr<IXMLDOMElement> element = AsElement(child.Get())) {
      comlib::Bstr tag;
      if (SUCCEEDED(element->get_tagName(tag.put())) && tag.str() == L"SYSTEM")
        container = element;
    }
    comlib::ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(next.Put());
    child = std::move(next);
  }
  return container;
}

}  // namespace

comlib::ComPtr<IXMLDOMElement> ReadNodeContainer(const std::wstring& infoFile) noexcept {
  try {
    return Read(infoFile);
  } catch (...) {
    return nullptr;  // out of memory: read as an unreadable file
  }
}
