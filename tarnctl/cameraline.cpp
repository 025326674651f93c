#include "cameraline.h"

#include "portconnection.h"

#include <optional>

CameraLine::CameraLine(const cli::PortArg &target, const std::string &settings)
{
    if (target.device.isEmpty()) {
        m_comm = std::make_unique<SerialControl>();
    } else {
        const QString device = target.device;
        m_comm = std::make_unique<SerialControl>(
            [device](int) { return std::optional<QString>(device); });
        m_comm->setPortName(device);
    }
    // A device path is opened as port 1 of a namespace that knows only it.
    openConfigured(*m_comm, short(target.device.isEmpty() ? target.number : 1), settings);
}

void CameraLine::send(std::span<const BYTE> frame)
{
    m_comm->setOutput(frame);
}

void CameraLine::close()
{
    m_comm->setPortOpen(false);
}
