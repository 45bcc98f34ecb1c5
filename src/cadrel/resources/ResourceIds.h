// Resource and control ids: shared by the resource script and the code.
#pragma once

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

// Busy wait (template 122)
#define IDC_BUSY_PROGRESS     1012
#define IDC_BUSY_TEXT         1013

// Cut panel (template 127)
#define IDC_SPEED_X1          1021
#define IDC_SPEED_X2          1022
#define IDC_SPEED_X4          1023
#define IDC_TEST_MODE         1024
