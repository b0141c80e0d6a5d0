#pragma once
// Owners of what the session hands out: every text and array of an out
// parameter belongs to the receiver.
#include <windows.h>

#include "RestorePlugIn.h"

// An out array of texts with its count.
class BstrArray {
 public:
  BstrArray() noexcept = default;
  ~BstrArray();
  BstrArray(const BstrArray&) = delete;
  BstrArray& operator=(const BstrArray&) = delete;

  ULONG count = 0;
  BSTR* items = nullptr;
};

// The out data of IRestoreModule::GetRestoreNode.
class RestoreNodeData {
 public:
  RestoreNodeData() noexcept = default;
  ~RestoreNodeData();
  RestoreNodeData(const RestoreNodeData&) = delete;
  RestoreNodeData& operator=(const RestoreNodeData&) = delete;

  HRESULT Read(IRestoreModule* session) noexcept;

  BstrArray nodeNames;
  ULONG serviceCount = 0;
  ServiceNodeStructure* services = nullptr;
  BSTR backupName = nullptr;
  BSTR backupPath = nullptr;
};
