// The records handed to the session for the checked services: item copies
// made for the call and released with the records.
#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include "ComFakes.h"
#include "Harness.h"
#include "selection/Commit.h"

namespace selection_test {
namespace {

using testing_support::AllocationSpy;

records::OwnedBackupItem MakeItem(const wchar_t* name, unsigned char mark, LONG value) {
  records::OwnedBackupItem item;
  item.name = name;
  item.description = L"about ";
  item.details = nullptr;
  item.identifier[0] = mark;
  item.identifier[31] = mark;
  item.value = value;
  return item;
}

ServiceEntry MakeService(const wchar_t* name, bool checked, std::vector<records::OwnedBackupItem> items) {
  ServiceEntry service;
  service.name = name;
  service.backupPath = L"C:\\Data";
  service.serviceId = IdValue(7);
  service.helperId = IdValue(8);
  service.checked = checked;
  service.items = std::move(items);
  return service;
}

TEST(ServiceRecords, OnlyCheckedServicesWithCopiesOfTheirItems) {
  std::vector<ServiceEntry> services;
  services.push_back(MakeService(L"Off", false, {MakeItem(L"x", 1, 1)}));
  services.push_back(MakeService(L"On", true, {MakeItem(L"a", 2, 20), MakeItem(L"b", 3, 30)}));
  services.push_back(MakeService(L"Bare", true, {}));
  static unsigned char argumentBytes[3] = {1, 2, 3};
  services[2].arguments = records::OwnedArguments::Copy(ServiceArguments{3, argumentBytes});

  selection::ServiceRecords records;
  records.AddChecked(services);
  ASSERT_EQ(2u, records.size());
  const ServiceNodeStructure& on = records.data()[0];
  // Names and paths are the catalogue's own texts, items are copies.
  EXPECT_EQ(services[1].name.get(), on.name);
  EXPECT_EQ(services[1].backupPath.get(), on.backupPath);
  EXPECT_EQ(1, on.checked);
  ASSERT_EQ(2u, on.count);
  EXPECT_STREQ(L"a", on.backupItem[0].name);
  EXPECT_NE(services[1].items[0].name.get(), on.backupItem[0].name);
  EXPECT_STREQ(L"about ", on.backupItem[1].description);
  EXPECT_EQ(nullptr, on.backupItem[1].details);
  EXPECT_EQ(3, on.backupItem[1].identifier[31]);
  EXPECT_EQ(30, on.backupItem[1].value);
  const ServiceNodeStructure& bare = records.data()[1];
  EXPECT_EQ(0u, bare.count);
  EXPECT_EQ(nullptr, bare.backupItem);
  // The argument block is shared, not copied.
  EXPECT_EQ(3u, bare.arguments.byteCount);
  EXPECT_EQ(services[2].arguments.Data(), bare.arguments.data);
}

TEST(ServiceRecords, NoCheckedServiceGivesNoArray) {
  selection::ServiceRecords records;
  records.AddChecked({});
  EXPECT_EQ(0u, records.size());
  EXPECT_EQ(nullptr, records.data());
}

TEST(ServiceRecords, EverythingMadeForTheCallIsReleased) {
  std::vector<ServiceEntry> services;
  services.push_back(MakeService(L"On", true, {MakeItem(L"a", 2, 20), MakeItem(L"b", 3, 30)}));
  services.push_back(MakeService(L"Too", true, {MakeItem(L"c", 4, 40)}));
  // Never freed: the allocator may call it after it is revoked.
  static AllocationSpy* spy = new AllocationSpy;
  spy->live.clear();
  ASSERT_EQ(S_OK, ::CoRegisterMallocSpy(spy));
  std::vector<void*> arrays;
  {
    selection::ServiceRecords records;
    records.AddChecked(services);
    for (ULONG i = 0; i < records.size(); ++i) arrays.push_back(records.data()[i].backupItem);
    for (void* array : arrays) EXPECT_TRUE(spy->live.count(array));
  }
  // The texts may go to the string cache rather than back to the allocator,
  // so only the arrays can be seen to be freed.
  for (void* array : arrays) EXPECT_FALSE(spy->live.count(array));
  ::CoRevokeMallocSpy();
}

TEST(CommitSelection, NodeOwnerIsTheNearestEntryWithNodes) {
  BackupNode leaf, mid, root;
  mid.nodeNames = {L"M"};
  root.nodeNames = {L"R"};
  EXPECT_EQ(&mid, &selection::NodeOwner({&leaf, &mid, &root}));
  mid.nodeNames.clear();
  EXPECT_EQ(&root, &selection::NodeOwner({&leaf, &mid, &root}));
  root.nodeNames.clear();
  EXPECT_EQ(&root, &selection::NodeOwner({&leaf, &mid, &root})) << "the last one when none lists nodes";
}

}  // namespace
}  // namespace selection_test
