// Resource ids of ZelFramework.dll.
#pragma once

// Type libraries (TYPELIB)
#define IDT_ZELABSINTERFACES 1
#define IDT_ZELVUMINTERFACES 2

// Registry scripts ("REGISTRY")
#define IDR_SECURITYINITIALIZER 101
