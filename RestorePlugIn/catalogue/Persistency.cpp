#include "catalogue/Persistency.h"

#include <shlobj.h>

#include "catalogue/Xml.h"
#include "comlib/Result.h"

std::wstring Persistency::Folder(bool create) const {
  std::wstring base = base_;
  if (base.empty()) {
    wchar_t path[MAX_PATH] = {};
    const int folder = CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0);
    if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
    base = path;
  }
  return base + L"\\Ondrel";
}

std::wstring Persistency::SettingsFile() const {
  const std::wstring folder = Folder(false);
  return folder.empty() ? folder : folder + L"\\RestoreWizard.xml";
}

HRESULT Persistency::ReadPaths(std::vector<comlib::Bstr>* paths) const {
  RETURN_HR_IF(E_POINTER, !paths);
  return comlib::Guard([&]() -> HRESULT {
    const std::wstring file = SettingsFile();
    if (file.empty()) return S_FALSE;
    xml::Document document;
    if (FAILED(document.Load(file.c_str()))) return S_FALSE;
    const xml::Element root = document.DocumentElement();
    std::vector<comlib::Bstr> read;
    for (xml::Element child = root.FirstChild(); child; child = child.NextSibling()) {
      if (!child.HasTag(L"PATH")) continue;
      comlib::Bstr name;
      // A "PATH" without a folder names nothing to search.
      if (child.Attribute(L"Name", &name) != xml::AttributeStatus::Present) continue;
      read.push_back(std::move(name));
    }
    paths->insert(paths->end(), read.begin(), read.end());
    return S_OK;
  });
}

HRESULT Persistency::WritePaths(const std::vector<comlib::Bstr>& paths) const {
  return comlib::Guard([&]() -> HRESULT {
    xml::Document document;
    RETURN_IF_FAILED(document.Create());
    xml::Element root;
    RETURN_IF_FAILED(document.CreateElement(L"RESTOREWIZARD", &root));
    RETURN_IF_FAILED(document.AppendChild(root));
    for (const comlib::Bstr& path : paths) {
      xml::Element element;
      RETURN_IF_FAILED(document.CreateElement(L"PATH", &element));
      RETURN_IF_FAILED(element.SetAttribute(L"Name", path.c_str()));
      RETURN_IF_FAILED(root.AppendChild(element));
    }
    const std::wstring folder = Folder(true);
    RETURN_HR_IF(E_FAIL, folder.empty());
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(folder.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      ::CreateDirectoryW(folder.c_str(), nullptr);  // this one level only
    } else {
      ::FindClose(find);
    }
    return document.Save((folder + L"\\RestoreWizard.xml").c_str());
  });
}
