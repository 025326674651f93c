// The control panel's template: the window and its 25 controls, in creation (and tab) order.
#pragma once

#include "dialogtemplate.h"

#include <array>
#include <string_view>

// IDD_PTZCONTROL_DIALOG.
const DialogTemplate &ptzControlDialogTemplate();

// The baud list's items, added in this order; the panel starts on "9600".
inline constexpr std::array<std::string_view, 8> ptzBaudRates{"2400",  "4800",  "9600",  "19200",
                                                              "38400", "56000", "57600", "115200"};
inline constexpr int ptzInitialBaudIndex = 2;
