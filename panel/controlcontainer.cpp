#include "controlcontainer.h"

#include "serialcontrol.h"

namespace {
SerialControlFactory &factory()
{
    static SerialControlFactory instance;
    return instance;
}
} // namespace

std::unique_ptr<CMSComm> createDefaultSerialControl()
{
    return std::make_unique<SerialControl>();
}

void enableControlContainer(SerialControlFactory f)
{
    factory() = std::move(f);
}

void disableControlContainer()
{
    factory() = nullptr;
}

std::unique_ptr<CMSComm> createSerialControl()
{
    if (!factory())
        return nullptr;
    try {
        return factory()();
    } catch (...) {
        // A control that fails to come up is a control that is not there.
        return nullptr;
    }
}
