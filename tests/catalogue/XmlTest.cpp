#include <gtest/gtest.h>

#include "Fixtures.h"
#include "TestSupport.h"
#include "catalogue/ReadXML.h"
#include "catalogue/Xml.h"

namespace {

using testing_support::TempDir;

// Forward slashes make a file URL of a Windows path.
std::string FileUrl(const std::wstring& path) {
  std::string url = "file:///";
  for (wchar_t c : path) url += c == L'\\' ? '/' : static_cast<char>(c);
  return url;
}

TEST(Xml, ExternalEntitiesAndDocumentTypesNeverReachAnotherFile) {
  TempDir dir;
  const std::wstring secret = dir.WriteFile(L"secret.txt", "TOPSECRET");
  const std::string entity = "<!DOCTYPE BACKUP [<!ENTITY leak SYSTEM \"" + FileUrl(secret) + "\">]>";
  const std::string body = std::string("<BACKUP Name=\"&leak;\" Id=\"") + fixtures::kId1 +
                           "\"><SYSTEM SystemName=\"&leak;\"><NODE NodeName=\"&leak;\"/></SYSTEM></BACKUP>";
  struct Case {
    int line;
    std::string bytes;
  } cases[] = {
      {__LINE__, entity + body},
      {__LINE__, "<?xml version=\"1.0\"?>\n" + entity + body},
      {__LINE__, "\xEF\xBB\xBF" + entity + body},
      {__LINE__, "<!DOCTYPE BACKUP SYSTEM \"" + FileUrl(secret) + "\">" + body},
      {__LINE__, "<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + body},
  };
  // The same in UTF-16 with a byte order mark.
  std::string wide = "\xFF\xFE";
  for (char c : entity + body) wide += std::string{c, '\0'};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::wstring file = fixtures::Backup(dir, L"B", c.bytes);
    xml::Document document;
    EXPECT_FALSE(SUCCEEDED(document.Load(file.c_str())));
    ReadXML reader(file.c_str());
    EXPECT_EQ(S_FALSE, reader.Read());
    BackupNode node;
    reader.GetBackupNode(&node);
    EXPECT_EQ(std::wstring::npos, node.name.str().find(L"TOPSECRET"));
    EXPECT_EQ(std::wstring::npos, node.systemName.str().find(L"TOPSECRET"));
  }
  const std::wstring file = fixtures::Backup(dir, L"W", wide);
  xml::Document document;
  EXPECT_FALSE(SUCCEEDED(document.Load(file.c_str())));

  // Without the declaration the same document reads.
  const std::wstring plain = fixtures::Backup(dir, L"P", fixtures::Current("Plain", fixtures::kId1));
  EXPECT_EQ(S_OK, document.Load(plain.c_str()));
}

TEST(Xml, ElementsAttributesAndNodeContainer) {
  TempDir dir;
  const std::wstring file = dir.WriteFile(
      L"a.xml",
      "<R Name=\"x\" Empty=\"\">text<!-- c --><?pi x?><SYSTEM SystemName=\"first\"/>"
      "<system/><SYSTEM SystemName=\"second\"><NODE/></SYSTEM>tail</R>");
  xml::Document document;
  ASSERT_EQ(S_OK, document.Load(file.c_str()));
  const xml::Element root = document.DocumentElement();
  comlib::Bstr value;
  EXPECT_EQ(xml::AttributeStatus::Present, root.Attribute(L"Empty", &value));
  EXPECT_TRUE(!value.IsNull() && value.IsEmpty());
  EXPECT_EQ(xml::AttributeStatus::Absent, root.Attribute(L"name", &value));
  EXPECT_TRUE(!value.IsNull() && value.IsEmpty());

  // Text, comment and processing instruction are passed over.
  const xml::Element first = root.FirstChild();
  ASSERT_TRUE(first);
  EXPECT_TRUE(first.HasTag(L"SYSTEM"));
  EXPECT_TRUE(first.NextSibling().HasTag(L"system"));
  EXPECT_FALSE(first.NextSibling().NextSibling().NextSibling());

  // The last "SYSTEM" (case included) is the node container.
  const xml::Element container = xml::FindNodeContainer(document);
  ASSERT_TRUE(container);
  EXPECT_EQ(xml::AttributeStatus::Present, container.Attribute(L"SystemName", &value));
  EXPECT_EQ(L"second", value.str());

  // Without "Name" the document element is the container.
  const std::wstring legacy = dir.WriteFile(L"b.xml", fixtures::Legacy());
  xml::Document other;
  xml::Element legacyContainer;
  ASSERT_EQ(S_OK, xml::FindNodeContainer(legacy.c_str(), &other, &legacyContainer));
  EXPECT_TRUE(legacyContainer.HasTag(L"SYSTEMINFO"));
  const std::wstring none = dir.WriteFile(L"c.xml", "<R Name=\"x\"><SERVICE/></R>");
  EXPECT_EQ(S_FALSE, xml::FindNodeContainer(none.c_str(), &other, &legacyContainer));
  EXPECT_FALSE(SUCCEEDED(xml::FindNodeContainer((dir / L"missing.xml").c_str(), &other, &legacyContainer)));
}

std::string Utf16(const std::string& ascii, bool bigEndian, bool mark) {
  std::string wide = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : ascii) wide += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return wide;
}

// The check looks for a document type declaration only in the prolog and
// takes the encoding only from the byte order mark and the declaration, so
// words in names, descriptions and comments are just text.
TEST(Xml, ByteCheckLooksOnlyWhereDeclarationsCanStand) {
  using Kind = xml::LoadFailure::Kind;
  struct Case {
    int line;
    std::string bytes;
    Kind kind;
    long at;                // DeclaresDocumentType: the line
    const wchar_t* encoding;  // EncodingNotTaken: the name
  } cases[] = {
      {__LINE__, "<R Name=\"E:\\Archive\\UTF-7 mail\"/>", Kind::None, 0, L""},
      {__LINE__, "<?xml version=\"1.0\"?><!-- utf-7 --><R/>", Kind::None, 0, L""},
      {__LINE__, "<R><!-- <!DOCTYPE R> --><![CDATA[<!DOCTYPE R>]]></R>", Kind::None, 0, L""},
      {__LINE__, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a -->\n<?pi <!DOCTYPE ?>\n<R/><!-- <!DOCTYPE -->",
       Kind::None, 0, L""},
      {__LINE__, "\xEF\xBB\xBF<?xml version='1.0' encoding='windows-1252'?><R/>", Kind::None, 0, L""},
      {__LINE__, Utf16("<R><!-- <!DOCTYPE R> utf-7 --></R>", false, true), Kind::None, 0, L""},
      {__LINE__, Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><R/>", true, false), Kind::None, 0, L""},
      {__LINE__, "<!DOCTYPE R><R/>", Kind::DeclaresDocumentType, 1, L""},
      {__LINE__, "\n\r\n<!-- a\n -->\r<?pi?>\n<!doctype R><R/>", Kind::DeclaresDocumentType, 6, L""},
      {__LINE__, Utf16("<!-- x -->\n<!DOCTYPE R><R/>", false, true), Kind::DeclaresDocumentType, 2, L""},
      {__LINE__, Utf16("<!DOCTYPE R><R/>", true, false), Kind::DeclaresDocumentType, 1, L""},
      {__LINE__, "<?xml version=\"1.0\" encoding=\"UTF-7\"?><R/>", Kind::EncodingNotTaken, 0, L"UTF-7"},
      {__LINE__, "<?xml version='1.0' encoding = 'utf-7' ?><R/>", Kind::EncodingNotTaken, 0, L"utf-7"},
      {__LINE__, "<?xml version=\"1.0\" encoding=\"IBM037\"?><R/>", Kind::EncodingNotTaken, 0, L"IBM037"},
      {__LINE__, Utf16("<?xml version=\"1.0\" encoding=\"UTF-7\"?><R/>", false, true), Kind::EncodingNotTaken, 0,
       L"UTF-7"},
      {__LINE__, "\x4C\x6F\xA7\x94\x93", Kind::EncodingNotTaken, 0, L""},
      {__LINE__, "\x85<R/>", Kind::EncodingNotTaken, 0, L""},
      {__LINE__, std::string(" \0<\0!\0D\0", 8), Kind::EncodingNotTaken, 0, L""},
      {__LINE__, std::string("x\0<\0", 4), Kind::EncodingNotTaken, 0, L""},
      {__LINE__, "x<!DOCTYPE R><R/>", Kind::None, 0, L""},  // not XML: the parser says where
      {__LINE__, std::string("\0\0\0<\0\0\0R", 8), Kind::EncodingNotTaken, 0, L"UTF-32 or UCS-4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    xml::LoadFailure failure;
    const bool taken =
        xml::CheckBytes(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), &failure);
    EXPECT_EQ(c.kind == Kind::None, taken);
    EXPECT_EQ(c.kind, failure.kind);
    if (c.kind == Kind::DeclaresDocumentType) {
      EXPECT_EQ(c.at, failure.line);
    }
    if (c.kind == Kind::EncodingNotTaken) {
      EXPECT_EQ(c.encoding, failure.text);
    }
  }
}

// Each failure names its own cause, with what the user needs to act on it.
TEST(Xml, LoadFailureNamesTheCause) {
  using Kind = xml::LoadFailure::Kind;
  TempDir dir;
  const std::string valid = "<R/>";
  struct Case {
    int line;
    std::wstring name;  // under dir; no bytes: not written
    std::string bytes;
    Kind kind;
    std::vector<std::wstring> described;  // parts of Describe()
  } cases[] = {
      {__LINE__, L"missing.xml", "", Kind::CannotRead, {L"cannot be read: ", L"0x80070002"}},
      {__LINE__, L"a folder", "", Kind::CannotRead, {L"cannot be read: "}},
      {__LINE__, L"empty.xml", "", Kind::NotWellFormed, {L"not well-formed: the file is empty"}},
      {__LINE__, L"broken.xml", "<R>\n  <A></B>\n</R>", Kind::NotWellFormed, {L"not well-formed at line 2, column "}},
      {__LINE__, L"doctype.xml", "<?xml version=\"1.0\"?>\n<!DOCTYPE R []>\n<R/>", Kind::DeclaresDocumentType,
       {L"declares a document type at line 2"}},
      {__LINE__, L"utf7.xml", "<?xml version=\"1.0\" encoding=\"UTF-7\"?><R/>", Kind::EncodingNotTaken,
       {L"encoding not taken: UTF-7"}},
      {__LINE__, L"huge.xml", valid + std::string(xml::kMaxFileBytes + 1 - valid.size(), ' '), Kind::TooLarge,
       {L"too large: 1048577 bytes, the limit is 1048576 bytes"}},
      {__LINE__, L"largest.xml", valid + std::string(xml::kMaxFileBytes - valid.size(), ' '), Kind::None, {}},
  };
  dir.MakeDir(L"a folder");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (!c.bytes.empty() || c.name == L"empty.xml") dir.WriteFile(c.name, c.bytes);
    xml::Document document;
    const HRESULT hr = document.Load((dir / c.name).c_str());
    EXPECT_EQ(c.kind == Kind::None, SUCCEEDED(hr));
    EXPECT_EQ(c.kind, document.Failure().kind);
    const std::wstring text = document.Failure().Describe();
    for (const std::wstring& part : c.described) EXPECT_NE(std::wstring::npos, text.find(part)) << text;
    if (c.kind == Kind::NotWellFormed && c.name == L"broken.xml") {
      EXPECT_EQ(2, document.Failure().line);
      EXPECT_GT(document.Failure().column, 0);
      EXPECT_FALSE(document.Failure().text.empty());
    }
  }
}

}  // namespace
