#pragma once
// The read-only information dialog behind the page's "View Info" button.
#include <windows.h>

#include "comlib/Bstr.h"
#include "comlib/Dialog.h"

class CInfo : public comlib::Dialog {
 public:
  void SetSystemName(const comlib::Bstr& text) { systemName_ = text; }
  void SetSystemDescription(const comlib::Bstr& text) { systemDescription_ = text; }
  void SetServerDataPath(const comlib::Bstr& text) { serverDataPath_ = text; }
  void SetProjectDataPath(const comlib::Bstr& text) { projectDataPath_ = text; }
  void SetWorkplaceDataPath(const comlib::Bstr& text) { workplaceDataPath_ = text; }
  void SetPath(const comlib::Bstr& text) { path_ = text; }

  // Runs modally over the window active now: 1 (Close, Enter) or 2 (Escape,
  // close box).
  INT_PTR Run() noexcept;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void OnInitDialog();

  comlib::Bstr path_;
  comlib::Bstr systemName_;
  comlib::Bstr systemDescription_;
  // Kept for the callers that hand them over; the dialog does not show them.
  comlib::Bstr serverDataPath_;
  comlib::Bstr projectDataPath_;
  comlib::Bstr workplaceDataPath_;
};
