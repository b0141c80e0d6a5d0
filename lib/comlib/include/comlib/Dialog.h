#pragma once
// Dialogs as classes: a static thunk keeps `this` from WM_INITDIALOG on and
// hands every message to one member procedure; handlers stay small.
#include <windows.h>

#include <string>

namespace comlib {

class Dialog {
 public:
  Dialog() noexcept = default;
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  HWND hwnd() const noexcept { return hwnd_; }

  // Runs the template modally; the result of EndDialog, or -1.
  INT_PTR RunModal(HWND parent, UINT templateId) noexcept;
  // Creates the template as a modeless (child) dialog.
  HWND Create(HWND parent, UINT templateId) noexcept;
  // Destroys a window made by Create.
  void Destroy() noexcept;

 protected:
  // One message of the dialog. Return true when handled and put the
  // procedure's answer into *result (TRUE by default). Notification answers
  // go through SetMessageResult.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) = 0;
  void SetMessageResult(LRESULT value) noexcept;
  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }
  void End(INT_PTR result) noexcept { ::EndDialog(hwnd_, result); }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

// Centres a top-level window over its owner (the screen's work area when it
// has none or the owner is hidden), kept whole on the owner's screen.
void CenterOverOwner(HWND window) noexcept;

// WM_STYLECHANGING of a page that lives inside a host's dialog: keeps
// WS_EX_CONTROLPARENT on, so the host's dialog manager tabs into the page's
// controls. The message stays unhandled.
void KeepControlParent(WPARAM which, LPARAM styles) noexcept;

}  // namespace comlib
