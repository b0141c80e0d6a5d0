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

}  // namespace
