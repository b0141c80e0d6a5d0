#include "catalogue/Persistency.h"

#include "catalogue/Xml.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"
#include "settings/WizardSettings.h"

namespace {

// Copies the file beside itself under a name not yet taken.
HRESULT KeepCopy(const std::wstring& file, std::wstring* copy) {
  for (int n = 1; n <= 1000; ++n) {
    std::wstring name = file + L".unreadable";
    if (n > 1) name += L"-" + std::to_wstring(n);
    if (::CopyFileW(file.c_str(), name.c_str(), TRUE)) {
      *copy = std::move(name);
      return S_OK;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return HRESULT_FROM_WIN32(error);
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

}  // namespace

bool Persistency::CanCarry(const std::wstring& text, size_t* bad) noexcept {
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    bool ok = c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c <= 0xFFFD);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ok = true;
      ++i;
    }
    if (!ok) {
      if (bad) *bad = i;
      return false;
    }
  }
  return true;
}

std::wstring Persistency::SettingsFile() const { return settings::SettingsFilePath(base_); }

HRESULT Persistency::ReadPaths(std::vector<comlib::Bstr>* paths, xml::LoadFailure* failure) const {
  RETURN_HR_IF(E_POINTER, !paths);
  if (failure) *failure = xml::LoadFailure();
  return comlib::Guard([&]() -> HRESULT {
    const std::wstring file = SettingsFile();
    if (file.empty()) return S_FALSE;
    xml::Document document;
    if (FAILED(document.Load(file.c_str()))) {
      if (failure) *failure = document.Failure();
      return S_FALSE;
    }
    const xml::Element root = document.DocumentElement();
    std::vector<comlib::Bstr> read;
    for (xml::Element child = root.FirstChild(); child; child = child.NextSibling()) {
      if (!child.HasTag(settings::kPathElement)) continue;
      comlib::Bstr name;
      // A "PATH" without a folder names nothing to search.
      if (child.Attribute(settings::kFolderAttribute, &name) != xml::AttributeStatus::Present) continue;
      read.push_back(std::move(name));
    }
    paths->insert(paths->end(), read.begin(), read.end());
    return S_OK;
  });
}

HRESULT Persistency::WritePaths(const std::vector<comlib::Bstr>& paths, std::wstring* keptCopy) const {
  if (keptCopy) keptCopy->clear();
  return comlib::Guard([&]() -> HRESULT {
    // Saved, such a text would make the whole file unreadable.
    for (const comlib::Bstr& path : paths) RETURN_HR_IF(E_INVALIDARG, !CanCarry(path.str()));
    xml::Document document;
    RETURN_IF_FAILED(document.Create());
    xml::Element root;
    RETURN_IF_FAILED(document.CreateElement(settings::kRootElement, &root));
    RETURN_IF_FAILED(document.AppendChild(root));
    for (const comlib::Bstr& path : paths) {
      xml::Element element;
      RETURN_IF_FAILED(document.CreateElement(settings::kPathElement, &element));
      RETURN_IF_FAILED(element.SetAttribute(settings::kFolderAttribute, path.c_str()));
      RETURN_IF_FAILED(root.AppendChild(element));
    }
    const std::wstring folder = settings::SettingsFolder(base_, true);
    RETURN_HR_IF(E_FAIL, folder.empty());
    WIN32_FIND_DATAW data;
    const comlib::UniqueFind find(::FindFirstFileW(folder.c_str(), &data));
    if (!find) ::CreateDirectoryW(folder.c_str(), nullptr);  // this one level only
    const std::wstring file = folder + L"\\" + settings::kFileName;

    // Windows refuses to replace a read-only file; the check keeps that
    // where the platform would not (a privileged account under Wine).
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);

    wchar_t temporary[MAX_PATH + 1] = {};
    RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), folder.size() > MAX_PATH - 14);
    RETURN_LAST_ERROR_IF(!::GetTempFileNameW(folder.c_str(), L"RW", 0, temporary));
    HRESULT hr = document.Save(temporary);
    if (SUCCEEDED(hr) && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      // A file that does not load may still hold the user's list: its bytes
      // are kept before it is replaced.
      xml::Document old;
      if (FAILED(old.Load(file.c_str())) && !old.Failure().Missing()) {
        std::wstring copy;
        hr = KeepCopy(file, &copy);
        if (SUCCEEDED(hr) && keptCopy) *keptCopy = copy;
      }
    }
    if (SUCCEEDED(hr) && !::MoveFileExW(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      hr = comlib::LastErrorStatus();
    if (FAILED(hr)) ::DeleteFileW(temporary);
    return hr;
  });
}
