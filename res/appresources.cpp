#include "appresources.h"

#include "resource.h"

#include <QImage>
#include <QPixmap>
#include <QResource>

#include <png.h>

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

namespace {
// One of the icon's images, decoded by libpng, which Qt Gui links already. Qt's own image
// reader would first load and ask every image-format plugin whether it reads PNG, which costs
// the start of the program more than the whole decoding.
QImage decodeIconImage(const QString &path)
{
    const QResource resource(path);
    const QByteArray bytes = resource.uncompressedData();
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.constData(), std::size_t(bytes.size())))
        return {};
    // QImage::Format_ARGB32 holds each pixel as one 32-bit word 0xAARRGGBB.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull() || !png_image_finish_read(&png, nullptr, image.bits(),
                                                 png_int_32(image.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return {};
    }
    return image;
}
} // namespace

QIcon appIcon()
{
    // Both images, each drawn for its size: none is scaled from the other.
    initResources();
    QIcon icon;
    for (const char *path : {":/tarn/tarn32.png", ":/tarn/tarn16.png"}) {
        const QImage image = decodeIconImage(QLatin1String(path));
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QString loadString(int id)
{
    return id == IDS_ABOUTBOX ? QStringLiteral("&About Tarn...") : QString();
}
