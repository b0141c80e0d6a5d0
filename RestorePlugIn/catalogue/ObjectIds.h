#pragma once
// The framework's 16-byte identifier: equality, text form and hashing.
#include <windows.h>

#include <cstring>
#include <string>

#include "ZelAbsInterfaces.h"

inline bool operator==(const ObjectId& a, const ObjectId& b) noexcept {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool operator!=(const ObjectId& a, const ObjectId& b) noexcept { return !(a == b); }

constexpr ObjectId kNullObjectId = {};

inline bool IsNullObjectId(const ObjectId& id) noexcept { return id == kNullObjectId; }

// The 38-character registry form with braces, hex digits in either case, as
// IIDFromString reads it; any other text (absent, empty, unbraced, longer)
// gives the null id.
ObjectId ObjectIdFromText(const wchar_t* text, size_t length) noexcept;
inline ObjectId ObjectIdFromText(const wchar_t* text) noexcept {
  return ObjectIdFromText(text, text ? wcslen(text) : 0);
}
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case as StringFromGUID2 writes it.
std::wstring ObjectIdToText(const ObjectId& id);

inline GUID ToGuid(const ObjectId& id) noexcept {
  GUID g;
  std::memcpy(&g, &id, sizeof g);
  return g;
}
inline ObjectId FromGuid(const GUID& g) noexcept {
  ObjectId id;
  std::memcpy(&id, &g, sizeof id);
  return id;
}

struct ObjectIdHash {
  size_t operator()(const ObjectId& id) const noexcept {
    unsigned long long a, b;
    std::memcpy(&a, &id, 8);
    std::memcpy(&b, reinterpret_cast<const unsigned char*>(&id) + 8, 8);
    return static_cast<size_t>(a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull + (a << 6)));
  }
};
