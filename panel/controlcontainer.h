// The control container: where the panel gets its serial control from.
//
// The application enables it once, before the panel is created; the panel's DoModal then asks
// it for the control. A container that is not enabled, or a factory that gives nothing or
// raises, means the control cannot be created, and the panel never shows.
#pragma once

#include "mscomm.h"

#include <functional>
#include <memory>

using SerialControlFactory = std::function<std::unique_ptr<CMSComm>()>;

// The real control over a serial line of the line layer and the process's COM namespace.
std::unique_ptr<CMSComm> createDefaultSerialControl();

// Enables the container with this factory (the real control when none is given).
void enableControlContainer(SerialControlFactory factory = createDefaultSerialControl);
// Disables it again: the panel then cannot create its control.
void disableControlContainer();

// A new serial control, or nullptr when it cannot be created.
std::unique_ptr<CMSComm> createSerialControl();
