// The tool object as the wizard host sees it, created through the DLL.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

#include "Components.h"
#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/ComPtr.h"
#include "comlib/Unique.h"
#include "resource.h"

namespace {

using comlib::ComPtr;
using testing_support::BuildPath;
using testing_support::ServerDll;

std::wstring Take(BSTR s) {
  std::wstring t = s ? std::wstring(s, ::SysStringLen(s)) : L"<null>";
  ::SysFreeString(s);
  return t;
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dll_.loaded());
    ASSERT_EQ(S_OK, dll_.Create(CLSID_RestoreControl, IID_IZelCWControlEx, control_.PutVoid()));
  }
  ServerDll dll_{BuildPath(L"RestorePlugIn\\RestorePlugIn.dll")};
  ComPtr<IZelCWControlEx> control_;
};

TEST_F(ControlTest, DescribesTheTool) {
  CLSID module = CLSID_NULL;
  LONG value = 42;
  ASSERT_EQ(S_OK, control_->GetModuleClsid(&module, &value));
  EXPECT_TRUE(::IsEqualCLSID(CLSID_RestoreModule, module));
  EXPECT_EQ(0, value);

  BSTR name = nullptr, description = nullptr;
  ASSERT_EQ(S_OK, control_->GetName(&name));
  ASSERT_EQ(S_OK, control_->GetDescription(&description));
  EXPECT_EQ(L"Restore System", Take(name));
  EXPECT_EQ(L"Restores a saved system", Take(description));

  LONG order = 0, result = 0;
  EXPECT_EQ(S_OK, control_->GetOrder(&order));
  EXPECT_EQ(1250, order);
  EXPECT_EQ(E_NOTIMPL, control_->Reserved8(5));
  EXPECT_EQ(S_OK, control_->Reserved9(5, &result));
  EXPECT_EQ(1, result);
}

TEST_F(ControlTest, AnswersBothToolInterfacesWithOnePointerAndDispatch) {
  ComPtr<IZelCWControl> control;
  ASSERT_EQ(S_OK, control_.As(&control));
  EXPECT_EQ(static_cast<void*>(control.Get()), static_cast<void*>(control_.Get()));
  ComPtr<IRestoreControl> restoreControl;
  ASSERT_EQ(S_OK, control_.As(&restoreControl));
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, restoreControl->GetTypeInfo(0, 0, info.Put()));
  BSTR name = nullptr;
  ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr));
  EXPECT_EQ(L"IRestoreControl", Take(name));
  EXPECT_EQ(DISP_E_BADINDEX, restoreControl->GetTypeInfo(1, 0, info.Put()));
}

TEST_F(ControlTest, NullOutPointersAnswerEPointer) {
  CLSID clsid;
  LONG value;
  EXPECT_EQ(E_POINTER, control_->GetModuleClsid(&clsid, nullptr));
  EXPECT_EQ(E_POINTER, control_->GetModuleClsid(nullptr, &value));
  EXPECT_EQ(E_POINTER, control_->GetIcon(nullptr));
  EXPECT_EQ(E_POINTER, control_->GetName(nullptr));
  EXPECT_EQ(E_POINTER, control_->GetDescription(nullptr));
  EXPECT_EQ(E_POINTER, control_->GetOrder(nullptr));
  EXPECT_EQ(E_POINTER, control_->Reserved9(0, nullptr));
  EXPECT_EQ(E_POINTER, control_->CheckPermission(nullptr, 0, nullptr));
  value = 7;
  EXPECT_EQ(E_POINTER, control_->CheckPermission(nullptr, 0, &value));
  EXPECT_EQ(0, value);
}

TEST_F(ControlTest, IconIsASixteenPixelPictureThatDoesNotPileUpHandles) {
  ComPtr<IPicture> picture;
  ASSERT_EQ(S_OK, control_->GetIcon(picture.Put()));
  SHORT type = 0;
  ASSERT_EQ(S_OK, picture->get_Type(&type));
  EXPECT_EQ(PICTYPE_ICON, type);
  OLE_HANDLE handle = 0;
  ASSERT_EQ(S_OK, picture->get_Handle(&handle));
  ICONINFO info = {};
  ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle)), &info));
  const comlib::UniqueHbitmap color(info.hbmColor), maskBitmap(info.hbmMask);
  BITMAP mask = {};
  ::GetObjectW(maskBitmap.get(), sizeof mask, &mask);
  EXPECT_EQ(16, mask.bmWidth);
  // Without a colour bitmap the mask holds both halves.
  EXPECT_EQ(color ? 16 : 32, mask.bmHeight);

  // The picture does not own the icon: each call must not load another one.
  ComPtr<IPicture> again;
  ASSERT_EQ(S_OK, control_->GetIcon(again.Put()));
  OLE_HANDLE second = 0;
  again->get_Handle(&second);
  EXPECT_EQ(handle, second);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ControlTest, IconResourceHoldsThreeColourDepthsOfSixteenPixels) {
  HRSRC found = ::FindResourceW(dll_.module(), MAKEINTRESOURCEW(IDI_RESTORECONTROL), RT_GROUP_ICON);
  ASSERT_NE(nullptr, found);
  const BYTE* group = static_cast<const BYTE*>(::LockResource(::LoadResource(dll_.module(), found)));
  const WORD count = *reinterpret_cast<const WORD*>(group + 4);
  ASSERT_EQ(3, count);
  const auto* entries = reinterpret_cast<const GroupIconEntry*>(group + 6);
  const WORD depths[] = {4, 8, 32};
  for (WORD i = 0; i < count; ++i) {
    EXPECT_EQ(16, entries[i].width);
    EXPECT_EQ(16, entries[i].height);
    EXPECT_EQ(depths[i], entries[i].bitCount);
  }
}

}  // namespace
