#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"

namespace {

// Counts closes, so a double close or a close of the empty value shows.
int g_closes = 0;
int g_lastClosed = 0;
void CountClose(int v) {
  ++g_closes;
  g_lastClosed = v;
}
struct MinusOne {
  static int Value() noexcept { return -1; }
  static bool Valid(int v) noexcept { return v != -1; }
};
using Counted = comlib::UniqueAny<int, CountClose, MinusOne>;

TEST(UniqueAnyTest, InvalidValueIsEmptyAndEveryValueClosesOnce) {
  g_closes = 0;
  {
    Counted empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(-1, empty.get());
    Counted invalid(-1);
    EXPECT_FALSE(invalid);
    // Zero is a handle like any other where the invalid value is -1.
    Counted zero(0);
    EXPECT_TRUE(zero);
  }
  EXPECT_EQ(1, g_closes);
  EXPECT_EQ(0, g_lastClosed);

  g_closes = 0;
  {
    Counted a(7);
    Counted b(std::move(a));
    EXPECT_FALSE(a);
    Counted c(8);
    c = std::move(b);  // closes 8, takes 7
    EXPECT_EQ(1, g_closes);
    EXPECT_EQ(8, g_lastClosed);
    *c.put() = 9;  // closes 7 before handing out the address
    EXPECT_EQ(2, g_closes);
    EXPECT_EQ(7, g_lastClosed);
    EXPECT_EQ(9, c.release());
    EXPECT_FALSE(c);
  }
  EXPECT_EQ(2, g_closes);
}

bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(UniqueAnyTest, FileAndFindOwnersTakeFailedOpensAsEmpty) {
  testing_support::TempDir dir;
  const std::wstring missing = dir.path() + L"\\missing.txt";
  const comlib::UniqueFile notOpened(::CreateFileW(missing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(notOpened);
  WIN32_FIND_DATAW data;
  const comlib::UniqueFind notFound(::FindFirstFileW(missing.c_str(), &data));
  EXPECT_FALSE(notFound);

  HANDLE raw = nullptr;
  {
    comlib::UniqueFile file(::CreateFileW((dir.path() + L"\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    raw = file.get();
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));

  const comlib::UniqueFind found(::FindFirstFileW((dir.path() + L"\\*").c_str(), &data));
  EXPECT_TRUE(found);
}

// Null from CreateEventW or CreateMutexW, INVALID_HANDLE_VALUE from
// CreateFileW: any kernel handle owner takes both as empty and closes neither.
TEST(UniqueAnyTest, KernelHandleOwnersTakeBothFailureValuesAsEmpty) {
  for (HANDLE failed : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(failed));
    comlib::UniqueHandle handle(failed);
    comlib::UniqueFile file(failed);
    comlib::UniqueFind find(failed);
    EXPECT_FALSE(handle);
    EXPECT_FALSE(file);
    EXPECT_FALSE(find);
  }
  HANDLE raw = nullptr;
  {
    const comlib::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    raw = event.get();
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueAnyTest, GdiOwnersDeleteAndSelectionIsUndone) {
  const comlib::WindowDc screen(nullptr);
  ASSERT_TRUE(screen);
  const comlib::UniqueHdc memory(::CreateCompatibleDC(screen.get()));
  ASSERT_TRUE(memory);
  HBITMAP raw = nullptr;
  {
    const comlib::UniqueHbitmap bitmap(::CreateCompatibleBitmap(screen.get(), 4, 4));
    ASSERT_TRUE(bitmap);
    raw = bitmap.get();
    const HGDIOBJ before = ::GetCurrentObject(memory.get(), OBJ_BITMAP);
    {
      const comlib::SelectedObject selected(memory.get(), bitmap.get());
      EXPECT_EQ(raw, ::GetCurrentObject(memory.get(), OBJ_BITMAP));
    }
    EXPECT_EQ(before, ::GetCurrentObject(memory.get(), OBJ_BITMAP));
  }
  EXPECT_EQ(0u, ::GetObjectType(raw));  // deleted
}

HRESULT FailWhen(bool fail, DWORD error) {
  ::SetLastError(error);
  RETURN_LAST_ERROR_IF(fail);
  return S_OK;
}

TEST(ResultTest, LastErrorIfMapsTheThreadsErrorAndNoErrorToFail) {
  struct Case {
    int line;
    bool fail;
    DWORD error;
    HRESULT expected;
  } const cases[] = {
      {__LINE__, false, ERROR_ACCESS_DENIED, S_OK},
      {__LINE__, true, ERROR_ACCESS_DENIED, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
      // A failing call that set no error is still a failure.
      {__LINE__, true, ERROR_SUCCESS, E_FAIL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.expected, FailWhen(c.fail, c.error));
  }
}

}  // namespace
