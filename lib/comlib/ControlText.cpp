#include "ControlText.h"

#include <algorithm>

namespace comlib {

namespace {

// Beyond this a text is cut rather than grown further.
constexpr size_t kLongestText = size_t(1) << 28;

}  // namespace

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

std::wstring ListItemText(HWND list, int row, int column) {
  // The control answers the copied length; a full buffer may have cut the
  // text, so grow until it fits with room to spare.
  size_t size = 256;
  for (;;) {
    std::wstring buffer(size, L'\0');
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = &buffer[0];
    item.cchTextMax = static_cast<int>(size);
    const LRESULT length =
        ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    if (length < 0) return std::wstring();
    if (static_cast<size_t>(length) < size - 1 || size >= kLongestText) {
      buffer.resize(std::min(static_cast<size_t>(length), size - 1));
      return buffer;
    }
    size *= 2;
  }
}

std::vector<std::wstring> ListTexts(HWND list, int column) {
  std::vector<std::wstring> texts;
  const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return texts;
  texts.reserve(static_cast<size_t>(count));
  for (int row = 0; row < count; ++row) texts.push_back(ListItemText(list, row, column));
  return texts;
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
  // The control copies what fits and answers no length: a text that fills
  // the buffer may have been cut.
  std::wstring buffer(256, L'\0');
  for (;;) {
    TVITEMW data = {};
    data.mask = TVIF_TEXT | TVIF_HANDLE;
    data.hItem = item;
    data.pszText = &buffer[0];
    data.cchTextMax = static_cast<int>(buffer.size());
    if (!::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return std::wstring();
    const size_t length = wcsnlen(buffer.data(), buffer.size());
    if (length + 1 < buffer.size() || buffer.size() >= kLongestText) {
      buffer.resize(std::min(length, buffer.size() - 1));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace comlib
