#pragma once
// The service restore run of Apply: after the first phase, every checked
// service is restored part by part through its own helper component.
#include <windows.h>

#include <string>
#include <vector>

#include "RestorePlugIn.h"
#include "RestoreState.h"
#include "ZelFramework.h"

class RestoreRun {
 public:
  RestoreRun(RestoreState& state, IZelCWMessageSink* sink, IZelServiceRestoreCallbacks* callbacks,
             const std::vector<std::wstring>& partDirectories) noexcept
      : state_(state), sink_(sink), callbacks_(callbacks), parts_(partDirectories) {}

  // false when no service binding could be made: nothing was restored.
  bool Run(const ServiceNodeStructure* services, ULONG count);
  // After Run: S_OK when every part restored, else the status of the first
  // part that failed. The other parts still ran.
  HRESULT failure() const noexcept { return failure_; }

 private:
  bool EnsureBinding();
  // The part's failure status, S_OK when it restored.
  HRESULT RestorePart(const ServiceNodeStructure& service, size_t part);
  void Line(long kind, const std::wstring& text);

  RestoreState& state_;
  IZelCWMessageSink* sink_;
  IZelServiceRestoreCallbacks* callbacks_;
  const std::vector<std::wstring>& parts_;
  HRESULT failure_ = S_OK;
};
