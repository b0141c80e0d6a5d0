// Resource ids of the module. Every .rc and every source that names a
// resource includes this file: an id missing here silently becomes a
// string resource name.
#pragma once

// The controls a host may drive are published beside the interfaces.
#include "RestorePageControls.h"

// Registry scripts ("REGISTRY")
#define IDR_RESTORECONTROL 101
#define IDR_RESTOREMODULE 102
#define IDR_RESTOREPROPERTYPAGE1 106
#define IDR_RESTOREPROPERTYPAGE2 113
#define IDR_RESTOREPROPERTYPAGE3 263

// Icon
#define IDI_RESTORECONTROL 221

// Dialog templates
#define IDD_RESTOREPROPERTYPAGE1 107
#define IDD_SELECTPATH 108
#define IDD_RESTOREPROPERTYPAGE2 109
#define IDD_INFO 114
#define IDD_DETAILS 117
#define IDD_RESTOREPROPERTYPAGE3 259

// Menu of the node lists and its commands
#define IDR_NODEMENU 265
#define ID_RENAME 266
#define ID_RENAME_CURRENT 227
#define ID_RENAME_ORIGINAL 267
#define ID_RENAME_ALL_ORIGINAL 269

// Strings
#define IDS_CONTINUE_QUESTION 101
#define IDS_TITLE_RESTOREPROPERTYPAGE1 103
#define IDS_HELPFILE_RESTOREPROPERTYPAGE1 104
#define IDS_DOCSTRING_RESTOREPROPERTYPAGE1 105
#define IDS_TITLE_RESTOREPROPERTYPAGE2 110
#define IDS_HELPFILE_RESTOREPROPERTYPAGE2 111
#define IDS_DOCSTRING_RESTOREPROPERTYPAGE2 112
#define IDS_SECONDARY_ORIGINAL 113
#define IDS_PRIMARY_ORIGINAL 114
#define IDS_PRIMARY_RESTORED 115
#define IDS_SECONDARY_RESTORED 116
#define IDS_DESCRIPTION_RESTOREPROPERTYPAGE1 226
#define IDS_DESCRIPTION_RESTOREPROPERTYPAGE2 227
#define IDS_SELECT_PATH 230
#define IDS_VIEW_INFO 231
#define IDS_DETAILS 232
#define IDS_TOOL_NAME 233
#define IDS_TOOL_DESCRIPTION 234
#define IDS_ALL_VERSIONS 235
#define IDS_CURRENT_VERSION 236
#define IDS_SELECTPATH_CAPTION 237
#define IDS_OK 240
#define IDS_CANCEL 241
#define IDS_INFORMATION 242
#define IDS_CLOSE 252
#define IDS_DIRECTORY_EXISTS 253
#define IDS_NOT_LOCAL_PATH 254
#define IDS_EMPTY_SYSTEM_NAME 255
#define IDS_TITLE_RESTOREPROPERTYPAGE3 260
#define IDS_HELPFILE_RESTOREPROPERTYPAGE3 261
#define IDS_DOCSTRING_RESTOREPROPERTYPAGE3 262
#define IDS_DESCRIPTION_RESTOREPROPERTYPAGE3 264

// Controls of page 1 (107); the trees are in RestorePageControls.h
#define IDC_SELECT_PATH 212
#define IDC_VIEW_INFO 213
#define IDC_DETAILS 217
#define IDC_VERSION_LIST 238

// Controls of the backup path list dialog (108)
#define IDC_PATH_LIST 256
#define IDC_ADD_PATH 257
#define IDC_REMOVE_PATH 258

// Controls of the backup information dialog (114)
#define IDC_INFO_PATH 233
#define IDC_INFO_SYSTEM_NAME 234
#define IDC_INFO_SYSTEM_DESCRIPTION 235

// Controls of the backup details dialog (117), made at run time
#define IDC_ITEM_SELECTOR_HOST 666
#define IDC_ARGUMENT_EDITOR_HOST 777

// Controls of page 2 (109): both in RestorePageControls.h

// Controls of page 3 (259); the fields and choices are in RestorePageControls.h
#define IDC_IDENTITY_GROUP 245
#define IDC_PATHS_GROUP 246
#define IDC_SYSTEM_NAME_LABEL 255
