#include "catalogue/ObjectIds.h"

namespace {

int HexValue(wchar_t c) noexcept {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// digits hex digits from text into value; false on a non-digit.
bool ReadHex(const wchar_t* text, int digits, unsigned long long* value) noexcept {
  unsigned long long v = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = HexValue(text[i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<unsigned>(d);
  }
  *value = v;
  return true;
}

}  // namespace

ObjectId ObjectIdFromText(const wchar_t* text, size_t length) noexcept {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  if (!text || length != 38 || text[0] != L'{' || text[37] != L'}' || text[9] != L'-' ||
      text[14] != L'-' || text[19] != L'-' || text[24] != L'-')
    return kNullObjectId;
  unsigned long long d1, d2, d3, d4, d5;
  if (!ReadHex(text + 1, 8, &d1) || !ReadHex(text + 10, 4, &d2) || !ReadHex(text + 15, 4, &d3) ||
      !ReadHex(text + 20, 4, &d4) || !ReadHex(text + 25, 12, &d5))
    return kNullObjectId;
  ObjectId id;
  id.Data1 = static_cast<unsigned long>(d1);
  id.Data2 = static_cast<unsigned short>(d2);
  id.Data3 = static_cast<unsigned short>(d3);
  id.Data4[0] = static_cast<unsigned char>(d4 >> 8);
  id.Data4[1] = static_cast<unsigned char>(d4);
  for (int i = 0; i < 6; ++i) id.Data4[2 + i] = static_cast<unsigned char>(d5 >> (8 * (5 - i)));
  return id;
}

std::wstring ObjectIdToText(const ObjectId& id) {
  wchar_t text[40];
  const GUID g = ToGuid(id);
  const int n = ::StringFromGUID2(g, text, 40);
  return std::wstring(text, n > 0 ? n - 1 : 0);
}
