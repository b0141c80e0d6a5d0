#pragma once
// The error lines Apply adds when a restore fails, so that the host can say
// what failed and why beside the framework's own progress lines.
#include <windows.h>

#include <string>

namespace nodes {

// "0x80070070 (There is not enough space on the disk.)"; the number alone
// when the system has no text for it.
std::wstring StatusText(HRESULT status);
// The framework's own text of the end follows, where it gave one.
std::wstring PhaseFailedLine(HRESULT status, const std::wstring& endText);
// part counts from 1.
std::wstring PartFailedLine(const std::wstring& service, size_t part, size_t parts, HRESULT status,
                            const std::wstring& endText);
std::wstring PartNotStartedLine(const std::wstring& service, size_t part, size_t parts,
                                HRESULT lastStatus);

}  // namespace nodes
