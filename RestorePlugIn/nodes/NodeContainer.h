#pragma once
// The node container of a backup information file: the element whose
// children are the backup's node elements.
#include <windows.h>
#include <msxml2.h>

#include <string>

#include "comlib/ComPtr.h"

// The "SYSTEM" child (the last one) when the document element has a "Name",
// else the document element itself; null when the file cannot be read or a
// named document element has no "SYSTEM" child.
comlib::ComPtr<IXMLDOMElement> ReadNodeContainer(const std::wstring& infoFile) noexcept;
