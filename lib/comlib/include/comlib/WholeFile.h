#pragma once
// Whole-file reads and writes for the programs that keep files of their own:
// the host's answer files, the tools and the tests.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace comlib {

// Reads from the file's position to its end; false on a read error or when
// the file holds more than limit bytes.
bool ReadWholeFile(HANDLE file, std::string* bytes, uint64_t limit = UINT64_MAX);
// false when the file cannot be opened or read as above.
bool ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t limit = UINT64_MAX);
// The file's bytes, empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);
// Creates or replaces the file with the bytes; false unless all were written.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes);

}  // namespace comlib
