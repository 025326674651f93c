#include "appresources.h"

#include "resource.h"

QIcon appIcon()
{
    return QIcon();
}

QString loadString(int id)
{
    return id == IDS_ABOUTBOX ? QStringLiteral("&About Tarn...") : QString();
}
