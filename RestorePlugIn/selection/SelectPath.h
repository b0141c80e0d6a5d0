#pragma once
// The backup path list dialog behind the page's "Select Path" button: edits
// the folder list of the settings file. OK writes the list, Cancel drops
// every change.
#include <windows.h>

#include <string>
#include <vector>

#include "comlib/Dialog.h"

class CSelectPath : public comlib::Dialog {
 public:
  // Runs modally over the window active now: 1 after the list was written,
  // 2 when cancelled.
  INT_PTR Run() noexcept;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnInitDialog();
  void OnAdd();
  void OnRemove();
  void OnOk();
  void UpdateRemoveButton() noexcept;
  void AppendFolder(const wchar_t* path) noexcept;
  std::vector<std::wstring> Folders() const;
  std::wstring Caption() const;

  HWND list_ = nullptr;
  HWND remove_ = nullptr;
  HWND ok_ = nullptr;
};
