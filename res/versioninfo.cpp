#include "versioninfo.h"

std::string_view versionString(std::string_view key)
{
    for (const VersionString &entry : versionInfo.strings) {
        if (entry.key == key)
            return entry.value;
    }
    return {};
}

QString applicationVersionText()
{
    const VersionNumber &v = versionInfo.productVersion;
    return QStringLiteral("%1.%2.%3.%4").arg(v.major).arg(v.minor).arg(v.patch).arg(v.build);
}
