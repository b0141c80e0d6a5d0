// Control ids of the restore wizard's pages that a host may drive, for
// example to run the wizard unattended. Part of the module's published
// interface with RestorePlugIn.idl: the module's own resources take these
// values from here. Plain defines, for C, C++ and resource scripts.
#pragma once

// Page 1, restore selection
#define IDC_BACKUP_TREE 207
#define IDC_SERVICES_TREE 216

// Page 2, node configuration
#define IDC_SECONDARY_LIST 223
#define IDC_PRIMARY_LIST 224

// Page 3, system directories
#define IDC_SYSTEM_NAME 232
#define IDC_SERVER_DATA 236
#define IDC_PROJECT_DATA 237
#define IDC_WORKPLACE_DATA 238
#define IDC_SERVER_DATA2 239
#define IDC_SAME_SYSTEM_ID 249
#define IDC_NEW_SYSTEM_ID 250
