#pragma once
#include <string>

namespace filetree {

// Deletes the folder and everything beneath it. A directory link is removed
// as a link: what it leads to is never touched.
bool RemoveTree(const std::wstring& path);

}  // namespace filetree
