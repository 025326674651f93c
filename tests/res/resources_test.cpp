#include "aboutbox.h"
#include "appresources.h"
#include "iconpixels.h"
#include "resource.h"
#include "versioninfo.h"
#include "versionjson.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <string>

namespace {
// The icon file the pixels are compiled from (make_icon.py writes both).
const QString icoPath = QStringLiteral(TARN_SOURCE_DIR "/res/tarn.ico");

QByteArray iconBytes()
{
    QFile file(icoPath);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << "res/tarn.ico is there";
    return file.readAll();
}

quint16 u16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

std::string str(std::string_view v)
{
    return std::string(v);
}

bool imageFormatPluginsLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}
} // namespace

TEST(AppIcon, QtReadsExactlyTheTwoImages32Then16)
{
    QImageReader reader(icoPath);
    EXPECT_EQ(reader.format(), QByteArray("ico"));
    ASSERT_EQ(reader.imageCount(), 2);
    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.size(), QSize(sizes[i], sizes[i]));
        // The AND mask makes the corners transparent; the dome and its dark lens are opaque.
        const int n = sizes[i];
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << n;
        EXPECT_EQ(qAlpha(image.pixel(n - 1, n - 1)), 0) << n;
        EXPECT_EQ(image.pixel(n / 2, n * 17 / 32), qRgb(0, 0, 0)) << n << ": the lens is black";
        EXPECT_EQ(qAlpha(image.pixel(n / 2, n * 3 / 8)), 255) << n << ": the dome is opaque";
    }
    const QList<QSize> available = appIcon().availableSizes();
    EXPECT_EQ(available.size(), 2);
    EXPECT_TRUE(available.contains(QSize(32, 32)));
    EXPECT_TRUE(available.contains(QSize(16, 16)));
}

TEST(AppIcon, WindowIconHoldsTheIcosImagesPixelForPixel)
{
    const QIcon icon = appIcon();
    QImageReader ico(icoPath);
    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ico.jumpToImage(i));
        const QImage expected = ico.read().convertToFormat(QImage::Format_ARGB32);
        const QImage shown =
            icon.pixmap(QSize(sizes[i], sizes[i])).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(shown.size(), expected.size()) << sizes[i];
        for (int y = 0; y < sizes[i]; ++y)
            for (int x = 0; x < sizes[i]; ++x) {
                const QRgb a = expected.pixel(x, y), b = shown.pixel(x, y);
                if (qAlpha(a) == 0 && qAlpha(b) == 0)
                    continue;
                ASSERT_EQ(a, b) << sizes[i] << " at " << x << "," << y;
            }
    }
}

TEST(AppIcon, IsReadWithoutImageFormatPlugins)
{
    // Qt's image reader loads every image-format plugin and asks each of them before it reads
    // a PNG itself; the icon is made while the panel starts, where that costs more than the
    // whole icon. (Each test runs in a process of its own under CTest.)
    if (imageFormatPluginsLoaded())
        GTEST_SKIP() << "an earlier test in this process has loaded them";
    const QIcon icon = appIcon();
    EXPECT_EQ(icon.availableSizes().size(), 2);
    EXPECT_FALSE(imageFormatPluginsLoaded());
}

TEST(AppIcon, FileHoldsTwo4BitImagesWithThe16ColourPalette)
{
    const QByteArray ico = iconBytes();
    ASSERT_GE(ico.size(), 6 + 2 * 16);
    EXPECT_EQ(u16(ico, 0), 0);
    EXPECT_EQ(u16(ico, 2), 1) << "an icon, not a cursor";
    ASSERT_EQ(u16(ico, 4), 2);
    const int sizes[] = {32, 16};
    const quint32 bytes[] = {744, 296}; // header, palette, 4-bit rows and the mask rows
    const QRgb standard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 2; ++i) {
        const qsizetype entry = 6 + 16 * i;
        EXPECT_EQ(quint8(ico[entry]), sizes[i]);
        EXPECT_EQ(quint8(ico[entry + 1]), sizes[i]);
        EXPECT_EQ(quint8(ico[entry + 2]), 16) << "16 colours";
        EXPECT_EQ(u16(ico, entry + 4), 1) << "one plane";
        EXPECT_EQ(u16(ico, entry + 6), 4) << "4 bits per pixel";
        EXPECT_EQ(u32(ico, entry + 8), bytes[i]);
        const quint32 offset = u32(ico, entry + 12);
        ASSERT_LE(qsizetype(offset + bytes[i]), ico.size());
        // The bitmap header: height doubled for the mask, one plane, 4 bits, uncompressed.
        EXPECT_EQ(u32(ico, offset), 40u);
        EXPECT_EQ(qint32(u32(ico, offset + 4)), sizes[i]);
        EXPECT_EQ(qint32(u32(ico, offset + 8)), 2 * sizes[i]);
        EXPECT_EQ(u16(ico, offset + 12), 1);
        EXPECT_EQ(u16(ico, offset + 14), 4);
        EXPECT_EQ(u32(ico, offset + 16), 0u);
        for (int c = 0; c < 16; ++c) {
            const qsizetype at = offset + 40 + 4 * c; // blue, green, red, 0
            const QRgb rgb =
                (quint8(ico[at + 2]) << 16) | (quint8(ico[at + 1]) << 8) | quint8(ico[at]);
            EXPECT_EQ(rgb, standard[c]) << "image " << i << " colour " << c;
        }
    }
    EXPECT_EQ(ico.size(), 6 + 2 * 16 + 744 + 296) << "nothing but the two images";
}

TEST(AppIcon, CompiledInPixelsAreTheIcosImages)
{
    // The words themselves, before Qt makes pixmaps of them: 0xAARRGGBB, transparent as 0.
    QImageReader ico(icoPath);
    ASSERT_EQ(ico.imageCount(), 2);
    ASSERT_EQ(std::size(iconImages), 2u);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ico.jumpToImage(i));
        const QImage expected = ico.read().convertToFormat(QImage::Format_ARGB32);
        const IconPixels &pixels = iconImages[i];
        ASSERT_EQ(QSize(pixels.size, pixels.size), expected.size()) << i;
        for (int y = 0; y < pixels.size; ++y)
            for (int x = 0; x < pixels.size; ++x) {
                const QRgb want = expected.pixel(x, y);
                ASSERT_EQ(pixels.argb[y * pixels.size + x], qAlpha(want) == 0 ? 0u : want)
                    << pixels.size << " at " << x << "," << y;
            }
    }
}

TEST(AppIcon, CommittedFilesAreWhatTheScriptDraws)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    QTemporaryDir dir;
    QProcess run;
    run.start(python, {QStringLiteral(TARN_SOURCE_DIR "/res/make_icon.py"), dir.path()});
    ASSERT_TRUE(run.waitForFinished(20000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    for (const char *name : {"tarn.ico", "tarn32.png", "tarn16.png", "iconpixels.cpp"}) {
        QFile drawn(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(drawn.open(QIODevice::ReadOnly)) << name;
        QFile committed(QStringLiteral(TARN_SOURCE_DIR "/res/") + QLatin1String(name));
        ASSERT_TRUE(committed.open(QIODevice::ReadOnly)) << name;
        EXPECT_TRUE(drawn.readAll() == committed.readAll())
            << "run res/make_icon.py and commit res/" << name;
    }
}

TEST(AppIcon, PngFilesHoldTheIconsTwoImagesPixelForPixel)
{
    QImageReader ico(icoPath);
    ASSERT_EQ(ico.imageCount(), 2);
    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ico.jumpToImage(i));
        const QImage fromIco = ico.read().convertToFormat(QImage::Format_ARGB32);
        const QString png = QStringLiteral(TARN_SOURCE_DIR "/res/tarn%1.png").arg(sizes[i]);
        QImageReader reader(png);
        EXPECT_EQ(reader.format(), QByteArray("png"));
        const QImage fromPng = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(fromPng.size(), QSize(sizes[i], sizes[i])) << png.toStdString();
        int transparent = 0;
        for (int y = 0; y < sizes[i]; ++y)
            for (int x = 0; x < sizes[i]; ++x) {
                const QRgb a = fromIco.pixel(x, y), b = fromPng.pixel(x, y);
                // Transparent pixels may differ in colour; every other pixel is the same.
                if (qAlpha(a) == 0 && qAlpha(b) == 0) {
                    ++transparent;
                    continue;
                }
                ASSERT_EQ(a, b) << sizes[i] << " at " << x << "," << y;
            }
        EXPECT_GT(transparent, 0) << "the corners are transparent";
        EXPECT_LT(transparent, sizes[i] * sizes[i] * 3 / 4) << "the picture is there";
    }
}

TEST(StringTable, HoldsOnlyTheAboutEntry)
{
    EXPECT_EQ(loadString(IDS_ABOUTBOX), QStringLiteral("&About Tarn..."));
    for (int id : {0, -1, IDD_ABOUTBOX, IDD_PTZCONTROL_DIALOG, IDR_MAINFRAME, IDM_ABOUTBOX})
        EXPECT_TRUE(loadString(id).isEmpty()) << id;
}

TEST(VersionBlock, FixedPart)
{
    const VersionInfo &v = versionInfo;
    EXPECT_EQ(v.resourceId, 1);
    EXPECT_EQ(v.language, 1033);
    // The numbers are the ones res/versioninfo.json writes.
    const std::pair<VersionNumber, JsonVersion> numbers[] = {
        {v.fileVersion, versionFromJson("fileVersion")},
        {v.productVersion, versionFromJson("productVersion")}};
    for (const auto &[n, json] : numbers) {
        EXPECT_EQ(n.major, json.parts[0]);
        EXPECT_EQ(n.minor, json.parts[1]);
        EXPECT_EQ(n.patch, json.parts[2]);
        EXPECT_EQ(n.build, json.parts[3]);
    }
    EXPECT_EQ(v.fileFlagsMask, 0x3Fu);
    EXPECT_EQ(v.fileFlags, 0u);
    EXPECT_EQ(v.fileOs, 4u);
    EXPECT_EQ(v.fileType, 1u);
    EXPECT_EQ(v.fileSubtype, 0u);
    EXPECT_EQ(v.fileDate, 0u);
    EXPECT_EQ(v.translationLanguage, 0x0409);
    EXPECT_EQ(v.translationCodePage, 0x04B0);
    EXPECT_EQ(applicationVersionText().toStdString(), versionFromJson().dotted());
}

TEST(VersionBlock, StringBlockInOrder)
{
    EXPECT_EQ(str(versionInfo.stringBlock), "040904b0");
    const std::pair<const char *, std::string> expected[] = {
        {"Comments", ""},
        {"CompanyName", ""},
        {"FileDescription", "TARN"},
        {"FileVersion", versionFromJson("fileVersion").commas()},
        {"InternalName", "TARN"},
        {"LegalCopyright", str(copyrightNotice)},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "TARN.EXE"},
        {"PrivateBuild", ""},
        {"ProductName", "TARN Application"},
        {"ProductVersion", versionFromJson("productVersion").commas()},
        {"SpecialBuild", ""},
    };
    ASSERT_EQ(versionInfo.strings.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(str(versionInfo.strings[i].key), expected[i].first) << i;
        EXPECT_EQ(str(versionInfo.strings[i].value), expected[i].second) << i;
        EXPECT_EQ(str(versionString(expected[i].first)), expected[i].second);
    }
    EXPECT_TRUE(versionString("NoSuchKey").empty());
    EXPECT_FALSE(copyrightNotice.empty());
}

TEST(VersionBlock, AboutBoxShowsTheSameCopyrightLine)
{
    const DialogTemplate &tmpl = aboutBoxTemplate();
    ASSERT_EQ(tmpl.items.size(), 4u);
    EXPECT_EQ(str(tmpl.items[2].text), str(versionString("LegalCopyright")));
}

TEST(AboutTemplate, ItemsAsTheBoxIsDefined)
{
    const DialogTemplate &t = aboutBoxTemplate();
    EXPECT_EQ(t.id, IDD_ABOUTBOX);
    EXPECT_EQ(str(t.caption), "About Vosk");
    EXPECT_EQ(QRect(t.x, t.y, t.cx, t.cy), QRect(0, 0, 235, 55));
    EXPECT_EQ(t.style, 0x80C800C0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.pointSize, 8);
    struct Item
    {
        int id;
        ControlKind kind;
        const char *text;
        QRect rect;
        std::uint32_t style;
    };
    const Item expected[] = {
        {IDC_STATIC, ControlKind::Icon, "", QRect(11, 17, 20, 20), 0x50000003},
        {IDC_STATIC, ControlKind::Label, "Mirelda PTZ Control", QRect(40, 10, 119, 8), 0x50020080},
        {IDC_STATIC, ControlKind::Label, nullptr, QRect(40, 25, 119, 8), 0x50020000},
        {IDOK, ControlKind::PushButton, "OK", QRect(178, 7, 50, 14), 0x50030001},
    };
    ASSERT_EQ(t.items.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const DialogItem &item = t.items[i];
        EXPECT_EQ(item.id, expected[i].id) << i;
        EXPECT_EQ(item.kind, expected[i].kind) << i;
        if (expected[i].text) {
            EXPECT_EQ(str(item.text), expected[i].text) << i;
        }
        EXPECT_EQ(QRect(item.x, item.y, item.cx, item.cy), expected[i].rect) << i;
        EXPECT_EQ(item.style, expected[i].style) << i;
        EXPECT_EQ(item.exStyle, 0u) << i;
    }
    EXPECT_EQ(t.items[0].iconId, IDR_MAINFRAME);
}

TEST(DesktopEntry, CarriesTheProductLineAndVersion)
{
    // Generated from res/tarn.desktop.in with the version block's values.
    const QString path = QStringLiteral(TARN_BUILT_DESKTOP_FILE);
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value("Type").toString(), QStringLiteral("Application"));
    EXPECT_EQ(entry.value("Name").toString(), QStringLiteral("Tarn"));
    EXPECT_EQ(entry.value("Comment").toString().toStdString(), str(productLine));
    EXPECT_EQ(entry.value("Exec").toString(), QStringLiteral("tarn"));
    EXPECT_EQ(entry.value("Icon").toString(), QStringLiteral("tarn"));
    EXPECT_EQ(entry.value("Terminal").toString(), QStringLiteral("false"));
    EXPECT_EQ(entry.value("X-Tarn-Version").toString(), applicationVersionText());

    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    QProcess run;
    run.start(validator, {path});
    ASSERT_TRUE(run.waitForFinished(10000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().toStdString();
    EXPECT_TRUE(run.readAllStandardOutput().trimmed().isEmpty()) << "no warnings";
}
