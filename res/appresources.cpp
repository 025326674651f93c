#include "appresources.h"

#include "iconpixels.h"
#include "resource.h"

#include <QImage>
#include <QPixmap>

QIcon appIcon()
{
    // Both images, each drawn for its size: none is scaled from the other. The pixels are
    // compiled in, so no image file is decoded and no image-format plugin is loaded while the
    // panel starts.
    QIcon icon;
    for (const IconPixels &image : iconImages) {
        // Over the constant words, without a copy; the pixmap takes its own.
        const QImage pixels(reinterpret_cast<const uchar *>(image.argb), image.size, image.size,
                            image.size * int(sizeof *image.argb), QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(pixels));
    }
    return icon;
}

QString loadString(int id)
{
    return id == IDS_ABOUTBOX ? QStringLiteral("&About Tarn...") : QString();
}
