#pragma once
// The node configuration page in a host window, on a fake session and a fake
// machine.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FakeSession.h"
#include "TestSupport.h"
#include "comlib/ComPtr.h"
#include "nodes/RestorePropertyPage2.h"
#include "resource.h"

namespace nodes_test {

using testing_support::FakeNode;
using testing_support::FakeSession;
using testing_support::FakeSink;
using testing_support::NodeId;
using testing_support::RestoreInfo;

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;
// (label, name in the backup), top to bottom.
using Rows = std::vector<std::pair<std::wstring, std::wstring>>;

class PageFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The host entering the page.
  void Enter();
  LONG Validate();
  std::wstring ValidationMessage();  // L"<null>" when there is none

  static Rows ListRows(HWND list);
  static void Select(HWND list, int row);
  // Sets the label of the row whose backup name is original.
  static void Rename(HWND list, const std::wstring& original, const std::wstring& name);
  static HWND EditControl(HWND list);
  // Sends the list's right-click notification, as the control does.
  void RightClick(HWND list);

  testing_support::FakeMachine machine;
  FakeSession session;
  FakeSink sink;
  HWND host = nullptr;
  CRestorePropertyPage2* object = nullptr;
  comlib::ComPtr<IPropertyPage> page;
  comlib::ComPtr<IZelCWPropertyPageAdaption> adaption;
  HWND window = nullptr;
  HWND primary = nullptr;
  HWND secondary = nullptr;
};

}  // namespace nodes_test
