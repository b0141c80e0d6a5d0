#pragma once
// The error lines Apply adds when a restore fails, so that the host can say
// what failed and why beside the framework's own progress lines.
#include <windows.h>

#include <string>

namespace nodes {

// "The restore failed: the first phase ended with Disk full. (0x80070070)";
// the framework's own text of the end follows, where it gave one.
std::wstring PhaseFailedLine(HRESULT status, const std::wstring& endText);
// part counts from 1.
std::wstring PartFailedLine(const std::wstring& service, size_t part, size_t parts, HRESULT status,
                            const std::wstring& endText);
std::wstring PartNotStartedLine(const std::wstring& service, size_t part, size_t parts,
                                HRESULT lastStatus);

}  // namespace nodes
