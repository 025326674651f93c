// The line as tarnctl send and probe use it: opened exactly as the panel opens its port, with
// frames going out in one write each.
#pragma once

#include "cli.h"
#include "serialcontrol.h"

#include <memory>
#include <span>
#include <string>

class CameraLine
{
public:
    // Opens target (COM<n>, or a device path as a port of its own) with settings
    // ("9600,n,8,1") and the panel's configuration. Raises CommError.
    CameraLine(const cli::PortArg &target, const std::string &settings);

    // One frame, in one write. Raises CommError.
    void send(std::span<const BYTE> frame);

    // Closes the port. Raises CommError; the destructor closes one left open, quietly.
    void close();

    SerialControl &control() { return *m_comm; }

private:
    std::unique_ptr<SerialControl> m_comm;
};
