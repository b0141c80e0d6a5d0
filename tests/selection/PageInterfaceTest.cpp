// Page 1 as the wizard host sees it: its interfaces and every slot's answer.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include "ComFakes.h"
#include "Harness.h"
#include "RestorePlugIn.h"
#include "ZelFramework.h"
#include "comlib/Bstr.h"
#include "resource.h"
#include "selection/RestorePropertyPage1.h"

namespace selection_test {
namespace {

comlib::ComPtr<IZelCWPropertyPageAdaption> NewPage() {
  comlib::ComPtr<IZelCWPropertyPageAdaption> page;
  EXPECT_EQ(S_OK, CRestorePropertyPage1::CreateInstance(nullptr, IID_IZelCWPropertyPageAdaption, page.PutVoid()));
  return page;
}

TEST(PageInterfaces, AnswersTheWizardSlotsAsPageOne) {
  comlib::ComPtr<IZelCWPropertyPageAdaption> page = NewPage();
  ASSERT_TRUE(page);
  EXPECT_EQ(E_NOTIMPL, page->Reserved3(5));
  CLSID next = {};
  EXPECT_EQ(S_OK, page->GetNextPage(&next));
  EXPECT_TRUE(::IsEqualCLSID(CLSID_RestorePropertyPage3, next));
  comlib::Bstr summary;
  EXPECT_EQ(S_OK, page->GetSummary(summary.put()));
  EXPECT_FALSE(summary.IsNull());
  EXPECT_TRUE(summary.IsEmpty());
  LONG value = -7;
  EXPECT_EQ(S_OK, page->Reserved9(&value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(S_OK, page->SetMessageSink(nullptr));
  value = -7;
  EXPECT_EQ(S_OK, page->ActivatePage(&value)) << "without any object list";
  EXPECT_EQ(1, value);

  comlib::ComPtr<IZelCWPageDescription> description;
  ASSERT_EQ(S_OK, page.As(&description));
  comlib::Bstr text;
  EXPECT_EQ(S_OK, description->GetPageDescription(text.put()));
  EXPECT_EQ(L"System directory from selected backup together with checked services will be restored", text.str());
}

TEST(PageInterfaces, NullOutPointersAreRefused) {
  comlib::ComPtr<IZelCWPropertyPageAdaption> page = NewPage();
  ASSERT_TRUE(page);
  EXPECT_EQ(E_POINTER, page->GetNextPage(nullptr));
  EXPECT_EQ(E_POINTER, page->GetSummary(nullptr));
  EXPECT_EQ(E_POINTER, page->ValidatePage(nullptr));
  EXPECT_EQ(E_POINTER, page->GetValidationMessage(nullptr));
  EXPECT_EQ(E_POINTER, page->ActivatePage(nullptr));
  EXPECT_EQ(E_POINTER, page->Reserved9(nullptr));
  comlib::ComPtr<IZelCWPageDescription> description;
  ASSERT_EQ(S_OK, page.As(&description));
  EXPECT_EQ(E_POINTER, description->GetPageDescription(nullptr));
}

TEST(PageInterfaces, IsAPropertyPageWithItsTitleAndSize) {
  comlib::ComPtr<IZelCWPropertyPageAdaption> page = NewPage();
  comlib::ComPtr<IPropertyPage> property;
  ASSERT_EQ(S_OK, page.As(&property));
  PROPPAGEINFO info = {};
  ASSERT_EQ(S_OK, property->GetPageInfo(&info));
  EXPECT_STREQ(L"Restore Selection", info.pszTitle);
  EXPECT_STREQ(L"Help File Name", info.pszHelpFile);
  EXPECT_STREQ(L"Your Help String", info.pszDocString);
  EXPECT_EQ(0u, info.dwHelpContext);
  // The template is 315 x 158 dialog units; the page's window, made from
  // it, converts them with its own font.
  SettingsFolder settings;
  PageHost shown;
  shown.Open();
  RECT units = {0, 0, 315, 158};
  ASSERT_TRUE(::MapDialogRect(shown.window(), &units));
  EXPECT_EQ(units.right, info.size.cx);
  EXPECT_EQ(units.bottom, info.size.cy);
  ::CoTaskMemFree(info.pszTitle);
  ::CoTaskMemFree(info.pszHelpFile);
  ::CoTaskMemFree(info.pszDocString);
  comlib::ComPtr<IDispatch> none;
  EXPECT_EQ(E_NOINTERFACE, property.As(&none));
}

TEST(PageInterfaces, CanBeAggregated) {
  testing_support::AggregatingOuter outer;
  comlib::ComPtr<IUnknown> inner;
  ASSERT_EQ(S_OK, CRestorePropertyPage1::CreateInstance(&outer, IID_IUnknown, inner.PutVoid()));
  outer.inner = inner.Get();
  comlib::ComPtr<IZelCWPageDescription> description;
  ASSERT_EQ(S_OK, inner.As(&description));
  comlib::ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, description->QueryInterface(IID_IUnknown, identity.PutVoid()));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
  identity.Reset();
  description.Reset();
  EXPECT_EQ(1u, outer.refs);
}

}  // namespace
}  // namespace selection_test
