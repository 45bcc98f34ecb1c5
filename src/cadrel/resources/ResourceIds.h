// Resource and control ids: shared by the resource script and the code.
#pragma once

// Items the program never addresses (labels, frames)
#ifndef IDC_STATIC
#define IDC_STATIC            (-1)
#endif

// Dialog templates
#define IDD_MAIN              101
#define IDD_ABOUT             106
#define IDD_MODULE_MANAGER    113
#define IDD_EMULATION_DEVICE  115
#define IDD_CUTTER_DEVICE     116
#define IDD_BUSY              122
#define IDD_CUT_DISC          127

// Menu, icon, bitmaps
#define IDR_MAIN_MENU         104
#define IDI_CADREL            103
#define IDB_LIST_ICONS        117
#define IDB_ABOUT             120

// Main window (template 101)
#define IDC_TARGET            1002
#define IDC_EMULATION_DEVICE  1010
#define IDC_CUTTING_DEVICE    1004
#define IDC_MESSAGES_GROUP    1026
#define IDC_MESSAGES          106
#define IDC_STATUS_BAR        201

// Commands: menu items and the buttons that share their ids
#define ID_EXIT               2
#define ID_HELP_CONTENTS      9
#define ID_MODE_TOGGLE        1000
#define ID_CUT_GOLD_DISC      40002
#define ID_CONFIGURE_HARDWARE 40006
#define ID_EMULATION_DEVICE   40007
#define ID_ABOUT              40012
#define ID_CONFIGURE_TARGETS  40032
#define ID_CUTTING_DEVICE     40033
#define ID_EMULATION_MODULES  40034

// About box (template 106)
#define IDC_ABOUT_PICTURE     1030

// Device choices (templates 115 and 116); the current-device labels reuse 1010 and 1004
#define IDC_EMULATION_DEVICE_LIST 107
#define IDC_CUTTER_DEVICE_LIST    105

// Module Manager (template 113) and its popup menu
#define IDC_AVAILABLE_MODULES 108
#define IDC_INSTALLED_MODULES 109
#define IDC_ADD_MODULE        1015
#define IDC_REMOVE_MODULE     1016
#define IDC_MEMORY_BAR        1017
#define IDC_DELETE_MODULE     1018
#define IDC_INSTALL_MODULE    1019
#define IDC_MEMORY_AVAILABLE  1020
#define IDC_DEFAULT_MODULE    1021
#define IDC_MEMORY_USED       1022
#define ID_MODULE_HELP        9
#define ID_TOGGLE_LOCK        8
#define ID_SET_DEFAULT        11

// Busy wait (template 122)
#define IDC_BUSY_PROGRESS     1012
#define IDC_BUSY_TEXT         1013

// Cut panel (template 127)
#define IDC_SPEED_X1          1021
#define IDC_SPEED_X2          1022
#define IDC_SPEED_X4          1023
#define IDC_TEST_MODE         1024
#define IDC_CUT_PROGRESS      1017
#define IDC_CUT_TOTAL         1027
#define IDC_CUT_TIME          1028
#define IDC_CUT_CURRENT       1029
#define IDC_CUT_WAIT          1031   // what "Cut CD Now" is waiting for
