// Control and resource ids of the panel and the About box.
#pragma once

// Dialog templates
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_PTZCONTROL_DIALOG = 102;

// Icon, strings, menu commands
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDM_ABOUTBOX = 0x0010;

// Standard dialog commands
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

// Controls of the control panel
inline constexpr int IDC_COMM_CTRL = 1000;
inline constexpr int IDC_ZOOM_PLUS = 1004;
inline constexpr int IDC_ZOOM_MINUS = 1005;
inline constexpr int IDC_PORT_LIST = 1006;
inline constexpr int IDC_BAUD_LIST = 1007;
inline constexpr int IDC_FOCUS_PLUS = 1012;
inline constexpr int IDC_FOCUS_MINUS = 1013;
inline constexpr int IDC_GOTO_PRESET = 1014;
inline constexpr int IDC_SET_PRESET = 1015;
inline constexpr int IDC_CLEAR_PRESET = 1016; // bound to a handler, carried by no control
inline constexpr int IDC_SAVE = 1017;
inline constexpr int IDC_ADDRESS = 1018;
inline constexpr int IDC_PRESET_NUMBER = 1019;
inline constexpr int IDC_ADDRESS_LABEL = 1020;
inline constexpr int IDC_PRESET_LABEL = 1021;
inline constexpr int IDC_UP = 1022;
inline constexpr int IDC_CENTER = 1023;
inline constexpr int IDC_DOWN = 1024;
inline constexpr int IDC_LEFT = 1025;
inline constexpr int IDC_RIGHT = 1026;
inline constexpr int IDC_LEFT_UP = 1027;
inline constexpr int IDC_RIGHT_UP = 1028;
inline constexpr int IDC_LEFT_DOWN = 1029;
inline constexpr int IDC_RIGHT_DOWN = 1030;

// Help topics: 0x20000 plus the dialog's template id
inline constexpr int HID_BASE_RESOURCE = 0x20000;
