#pragma once
// What the details tests share: the framework's controls registered in the
// prefix, the details dialog driven from inside its modal loop, and reading
// the hosted controls back through their windows.
#include <windows.h>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "FrameworkFixture.h"
#include "TestSupport.h"
#include "records/OwnedRecords.h"

namespace details_test {

// {137876EC-4163-4E52-9050-580E8C778CF2}: lists the files of the backup
// folder and names the argument editor.
extern const CLSID kItemsHelper;
// {D3A5F0B2-6C1E-4B8A-9F27-3E5C8A1B7D40}: names no editor, offers no items.
extern const CLSID kFileHelper;
// {962E1E4C-AC44-4E4A-A4E8-2F0C963DE3A8}
extern const CLSID kArgumentEditor;

using testing_support::FrameworkTest;

// Runs drive once on the "Details" dialog from inside its modal loop.
class DetailsDriver : public testing_support::DialogDriver {
 public:
  explicit DetailsDriver(std::function<void(HWND dialog)> drive)
      : DialogDriver(std::move(drive), L"Details") {}
};

// A control's rectangle in its dialog's client coordinates.
RECT ClientRectOf(HWND dialog, int id);
using testing_support::ControlWindow;
// The selector's check marks, read from its list view.
std::vector<bool> ListChecks(HWND list);
void SetCheck(HWND list, int index, bool checked);
// Presses a button of the dialog as a click would.
void Press(HWND dialog, int id);

records::OwnedBackupItem MakeItem(const wchar_t* name, LONG value);
std::vector<std::wstring> Names(const std::vector<records::OwnedBackupItem>& items);
records::OwnedArguments MakeArguments(const std::string& bytes);
std::string Bytes(const records::OwnedArguments& arguments);

}  // namespace details_test
