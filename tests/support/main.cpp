#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Every object of the module lives in a single-threaded apartment.
  if (FAILED(::OleInitialize(nullptr))) return 2;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  const int result = RUN_ALL_TESTS();
  ::OleUninitialize();
  return result;
}
