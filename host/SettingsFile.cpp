#include "SettingsFile.h"

#include <msxml2.h>

#include "comlib/Bstr.h"
#include "comlib/ComPtr.h"
#include "comlib/MsxmlIds.h"
#include "comlib/Result.h"
#include "settings/WizardSettings.h"

namespace host {

namespace {

using namespace comlib::msxml;
using comlib::Bstr;
using comlib::ComPtr;

// A document that neither validates nor fetches anything the file names.
HRESULT NewDocument(ComPtr<IXMLDOMDocument>* document) {
  RETURN_IF_FAILED(::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidDocument,
                                      document->PutVoid()));
  RETURN_IF_FAILED((*document)->put_async(VARIANT_FALSE));
  RETURN_IF_FAILED((*document)->put_validateOnParse(VARIANT_FALSE));
  return (*document)->put_resolveExternals(VARIANT_FALSE);
}

VARIANT TextVariant(const Bstr& text) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = text.get();  // borrowed: the caller keeps text alive and does not clear v
  return v;
}

HRESULT AppendPath(IXMLDOMDocument* document, IXMLDOMElement* root, const std::wstring& folder) {
  ComPtr<IXMLDOMElement> element;
  Bstr tag(settings::kPathElement), name(settings::kFolderAttribute), value(folder);
  RETURN_IF_FAILED(document->createElement(tag.get(), element.Put()));
  RETURN_IF_FAILED(element->setAttribute(name.get(), TextVariant(value)));
  ComPtr<IXMLDOMNode> added;
  return root->appendChild(element.Get(), added.Put());
}

}  // namespace

std::wstring SettingsFile::Path() const { return settings::SettingsFilePath(base_); }

HRESULT SettingsFile::ReadFolders(std::vector<std::wstring>* folders) const {
  RETURN_HR_IF(E_POINTER, !folders);
  folders->clear();
  return comlib::Guard([&]() -> HRESULT {
    const std::wstring file = Path();
    if (file.empty()) return S_FALSE;
    ComPtr<IXMLDOMDocument> document;
    RETURN_IF_FAILED(NewDocument(&document));
    Bstr path(file);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->load(TextVariant(path), &loaded)) || !loaded) return S_FALSE;
    ComPtr<IXMLDOMElement> root;
    if (document->get_documentElement(root.Put()) != S_OK) return S_FALSE;
    std::vector<std::wstring> read;
    ComPtr<IXMLDOMNode> child;
    HRESULT hr = root->get_firstChild(child.Put());
    while (hr == S_OK && child) {
      ComPtr<IXMLDOMElement> element;
      Bstr tag;
      if (SUCCEEDED(child->QueryInterface(kIidElement, element.PutVoid())) &&
          SUCCEEDED(element->get_tagName(tag.put())) && tag.str() == settings::kPathElement) {
        Bstr name(settings::kFolderAttribute);
        VARIANT value;
        ::VariantInit(&value);
        // A "PATH" without a folder names nothing to search.
        if (element->getAttribute(name.get(), &value) == S_OK && value.vt == VT_BSTR)
          read.emplace_back(value.bstrVal, ::SysStringLen(value.bstrVal));
        ::VariantClear(&value);
      }
      ComPtr<IXMLDOMNode> next;
      hr = child->get_nextSibling(next.Put());
      child = std::move(next);
    }
    *folders = std::move(read);
    return S_OK;
  });
}

HRESULT SettingsFile::WriteFolders(const std::vector<std::wstring>& folders) const {
  return comlib::Guard([&]() -> HRESULT {
    ComPtr<IXMLDOMDocument> document;
    RETURN_IF_FAILED(NewDocument(&document));
    Bstr tag(settings::kRootElement);
    ComPtr<IXMLDOMElement> root;
    RETURN_IF_FAILED(document->createElement(tag.get(), root.Put()));
    ComPtr<IXMLDOMNode> added;
    RETURN_IF_FAILED(document->appendChild(root.Get(), added.Put()));
    for (const std::wstring& folder : folders)
      RETURN_IF_FAILED(AppendPath(document.Get(), root.Get(), folder));
    const std::wstring folder = settings::SettingsFolder(base_, true);
    RETURN_HR_IF(E_FAIL, folder.empty());
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
      return HRESULT_FROM_WIN32(::GetLastError());
    Bstr path(folder + L"\\" + settings::kFileName);
    return document->save(TextVariant(path));
  });
}

}  // namespace host
