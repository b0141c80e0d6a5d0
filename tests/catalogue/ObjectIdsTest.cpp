#include <gtest/gtest.h>

#include <unordered_set>

#include "catalogue/ObjectIds.h"

namespace {

TEST(ObjectIds, ParsesOnlyTheBracedRegistryForm) {
  struct Case {
    int line;
    const wchar_t* text;
    bool valid;
  } cases[] = {
      {__LINE__, L"{01234567-89ab-cdef-0123-456789ABCDEF}", true},
      {__LINE__, L"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", true},
      {__LINE__, L"01234567-89ab-cdef-0123-456789ABCDEF", false},
      {__LINE__, L"{01234567-89ab-cdef-0123-456789ABCDEF}x", false},
      {__LINE__, L"{01234567-89ab-cdef-0123-456789ABCDE}", false},
      {__LINE__, L"{0123456g-89ab-cdef-0123-456789ABCDEF}", false},
      {__LINE__, L"{01234567_89ab-cdef-0123-456789ABCDEF}", false},
      {__LINE__, L"(01234567-89ab-cdef-0123-456789ABCDEF)", false},
      {__LINE__, L"", false},
      {__LINE__, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const ObjectId id = ObjectIdFromText(c.text);
    EXPECT_EQ(!c.valid, IsNullObjectId(id));
    if (c.valid) {
      IID iid;
      ASSERT_EQ(S_OK, ::IIDFromString(const_cast<wchar_t*>(c.text), &iid));
      EXPECT_TRUE(id == FromGuid(iid));
    }
  }
}

TEST(ObjectIds, TextFormAndEquality) {
  EXPECT_EQ(L"{00000000-0000-0000-0000-000000000000}", ObjectIdToText(kNullObjectId));
  const ObjectId a = ObjectIdFromText(L"{01234567-89ab-cdef-0123-456789abcdef}");
  EXPECT_EQ(L"{01234567-89AB-CDEF-0123-456789ABCDEF}", ObjectIdToText(a));
  ObjectId b = a;
  EXPECT_TRUE(a == b);
  b.Data4[7] ^= 1;  // the last byte counts too
  EXPECT_TRUE(a != b);
  std::unordered_set<ObjectId, ObjectIdHash> set{a, b, a, kNullObjectId};
  EXPECT_EQ(3u, set.size());
}

}  // namespace
