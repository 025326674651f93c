#include "appresources.h"

#include "resource.h"

#include <QImageReader>
#include <QPixmap>

// The resources live in a static library; nothing else would pull their registration in.
// (Outside any namespace: Q_INIT_RESOURCE declares the registration function where it stands.)
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(tarn);
        return true;
    }();
    (void)done;
}

QString appIconPath()
{
    initResources();
    return QStringLiteral(":/tarn/tarn.ico");
}

QIcon appIcon()
{
    // Every image of the file, explicitly: each size is drawn for itself, none is scaled.
    QIcon icon;
    QImageReader reader(appIconPath(), "ico");
    for (int i = 0; i < reader.imageCount(); ++i) {
        if (!reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QString loadString(int id)
{
    return id == IDS_ABOUTBOX ? QStringLiteral("&About Tarn...") : QString();
}
