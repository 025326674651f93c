#include "simview.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double wideFieldOfView = 60.0; // horizontal, degrees, at 1x

// Elevation of the hills' ridge, in degrees, at an azimuth: a few sines, so it repeats on a
// full turn and every direction looks different.
double ridge(double azimuth)
{
    const double a = azimuth * M_PI / 180.0;
    return 2.5 + 1.6 * std::sin(3 * a) + 1.1 * std::sin(7 * a + 1.3) +
           0.5 * std::sin(17 * a + 0.4) + 0.25 * std::sin(41 * a + 2.0);
}

// A box blur of the given radius, across then down, each edge pixel standing for those beyond.
void boxBlur(QImage &image, int radius)
{
    if (radius <= 0)
        return;
    const int w = image.width(), h = image.height();
    const int span = 2 * radius + 1;
    std::vector<QRgb> line(std::size_t(std::max(w, h)));
    const auto blurLine = [&](auto pixelAt, int length) {
        for (int i = 0; i < length; ++i)
            line[std::size_t(i)] = *pixelAt(i);
        int r = 0, g = 0, b = 0;
        const auto at = [&](int i) { return line[std::size_t(std::clamp(i, 0, length - 1))]; };
        for (int i = -radius; i <= radius; ++i) {
            r += qRed(at(i));
            g += qGreen(at(i));
            b += qBlue(at(i));
        }
        for (int i = 0; i < length; ++i) {
            *pixelAt(i) = qRgb(r / span, g / span, b / span);
            const QRgb in = at(i + radius + 1), out = at(i - radius);
            r += qRed(in) - qRed(out);
            g += qGreen(in) - qGreen(out);
            b += qBlue(in) - qBlue(out);
        }
    };
    for (int y = 0; y < h; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        blurLine([row](int x) { return row + x; }, w);
    }
    for (int x = 0; x < w; ++x)
        blurLine([&image, x](int y) { return reinterpret_cast<QRgb *>(image.scanLine(y)) + x; }, h);
}

QString compassName(int azimuth)
{
    static const char *names[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    if (azimuth % 45 == 0)
        return names[azimuth / 45];
    return QString::number(azimuth);
}

} // namespace

SimView::SimView(const QString &portName, QWidget *parent) : QWidget(parent)
{
    setWindowTitle("Tarn virtual camera " + portName);
    resize(640, 400);
    setMinimumSize(200, 125); // as small as it is placed beside the panel on small screens
}

void SimView::setState(const CameraState &state)
{
    m_state = state;
    update();
}

void SimView::setLabel(const QString &label)
{
    m_label = label;
    update();
}

double SimView::defocus(const CameraState &state)
{
    return std::abs(state.position.focus - VirtualCamera::sharpFocus(state.position.zoom));
}

int SimView::letterPixels(const CameraState &state, QSize size)
{
    const double hfov = wideFieldOfView / state.position.zoom;
    const double sharp = std::clamp(1.5 / hfov * size.width(), 10.0, 60.0);
    const double off = defocus(state);
    return std::max(1, int(std::min(double(size.height()), sharp * (1.0 + off * off / 231.0))));
}

int SimView::blurRadius(const CameraState &state, int width)
{
    return int(defocus(state) / 3.0 * width / 640.0);
}

QString SimView::figures(const CameraState &s)
{
    QString text = QStringLiteral("pan %1°  tilt %2°  zoom %3x  focus %4  iris %5")
                       .arg(s.position.pan, 0, 'f', 1)
                       .arg(s.position.tilt + 0.0, 0, 'f', 1)
                       .arg(s.position.zoom, 0, 'f', 1)
                       .arg(s.position.focus, 0, 'f', 0)
                       .arg(s.iris, 0, 'f', 0);
    const std::string aux = VirtualCamera::auxiliariesOn(s);
    if (!aux.empty())
        text += "  aux " + QString::fromStdString(aux);
    return text;
}

void SimView::paintLandscape(QPainter &p, QSize size) const
{
    const double w = size.width(), h = size.height();
    const CameraPosition &cam = m_state.position;
    const double hfov = wideFieldOfView / cam.zoom;
    const double vfov = hfov * h / w;
    auto x = [&](double azimuth) { return w / 2 + panDelta(cam.pan, azimuth) / hfov * w; };
    auto y = [&](double elevation) { return h / 2 - (elevation - cam.tilt) / vfov * h; };

    // Sky and ground, split at the horizon.
    const double horizon = y(0);
    QLinearGradient sky(0, y(90), 0, horizon);
    sky.setColorAt(0, QColor(20, 60, 140));
    sky.setColorAt(1, QColor(170, 205, 235));
    p.fillRect(QRectF(0, 0, w, std::clamp(horizon, 0.0, h)), sky);
    QLinearGradient ground(0, horizon, 0, y(-90));
    ground.setColorAt(0, QColor(110, 140, 80));
    ground.setColorAt(1, QColor(60, 90, 40));
    if (horizon < h)
        p.fillRect(QRectF(0, std::max(horizon, 0.0), w, h - std::max(horizon, 0.0)), ground);

    // The sun, due south-east, high up.
    const double sunAz = 135, sunEl = 35;
    if (std::abs(panDelta(cam.pan, sunAz)) < hfov) {
        const double r = 2.0 / hfov * w;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 240, 180));
        p.drawEllipse(QPointF(x(sunAz), y(sunEl)), r, r);
    }

    // Hills along the horizon.
    QPainterPath hills;
    const int step = 3;
    hills.moveTo(0, horizon);
    for (int px = 0; px <= int(w) + step; px += step) {
        const double azimuth = cam.pan + (px - w / 2) / w * hfov;
        hills.lineTo(px, y(ridge(azimuth)));
    }
    hills.lineTo(w + step, horizon);
    hills.closeSubpath();
    p.setPen(QPen(QColor(50, 70, 60), 1));
    p.setBrush(QColor(90, 115, 100));
    p.drawPath(hills);

    // A grid on the ground: rings at falling elevations, spokes every 10 degrees.
    p.setPen(QPen(QColor(40, 60, 30), 1));
    for (double e : {-1.0, -2.0, -4.0, -8.0, -16.0, -32.0, -64.0})
        p.drawLine(QPointF(0, y(e)), QPointF(w, y(e)));
    for (int a = 0; a < 360; a += 10) {
        if (std::abs(panDelta(cam.pan, a)) > hfov)
            continue;
        p.drawLine(QPointF(x(a), horizon), QPointF(x(a), y(-90)));
    }

    // Landmarks: a mast every 15 degrees, a labelled tower every 45, a number every 30. The
    // letters swell around where they stand in focus.
    QFont font = p.font();
    const int sharpPixels = std::clamp(int(1.5 / hfov * w), 10, 60);
    font.setPixelSize(letterPixels(m_state, size));
    font.setBold(true);
    p.setFont(font);
    for (int a = 0; a < 360; a += 15) {
        if (std::abs(panDelta(cam.pan, a)) > hfov)
            continue;
        const double x0 = x(a);
        const double top = a % 45 == 0 ? 9.0 : 5.0;
        const double half = (a % 45 == 0 ? 0.5 : 0.2) / hfov * w;
        p.setPen(Qt::NoPen);
        p.setBrush(a % 45 == 0 ? QColor(170, 60, 50) : QColor(80, 80, 90));
        p.drawRect(QRectF(x0 - half, y(top), 2 * half, horizon - y(top)));
        if (a % 45 == 0 || a % 30 == 0) {
            p.setPen(QColor(255, 255, 255));
            const double centre = y(top) - sharpPixels * 0.75, height = font.pixelSize() * 1.3;
            p.drawText(QRectF(x0 - 4 * height, centre - height / 2, 8 * height, height),
                       Qt::AlignCenter, compassName(a));
        }
    }
}

QImage SimView::renderScene(QSize size) const
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (!m_state.powerOn || size.isEmpty())
        return image;

    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintLandscape(p, size);
    }
    boxBlur(image, blurRadius(m_state, size.width()));
    {
        QPainter p(&image);
        // Iris: 50 is the right exposure; open brightens, closed darkens.
        const double iris = m_state.iris - 50.0;
        if (iris > 0)
            p.fillRect(image.rect(), QColor(255, 255, 255, int(iris * 4.0)));
        else if (iris < 0)
            p.fillRect(image.rect(), QColor(0, 0, 0, int(-iris * 4.6)));
    }
    return image;
}

void SimView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, renderScene(size()));
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    if (m_state.powerOn) {
        p.setPen(QPen(QColor(255, 255, 255, 160), 1));
        p.drawLine(centre - QPointF(12, 0), centre + QPointF(12, 0));
        p.drawLine(centre - QPointF(0, 12), centre + QPointF(0, 12));
    } else {
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, "camera off");
    }
    QFont font = p.font();
    font.setPixelSize(13);
    p.setFont(font);
    if (!m_label.isEmpty()) {
        const QRectF tag(0, 0, p.fontMetrics().horizontalAdvance(m_label) + 16, 22);
        p.fillRect(tag, QColor(0, 0, 0, 150));
        p.setPen(Qt::white);
        p.drawText(tag, Qt::AlignCenter, m_label);
    }
    const QRectF band(0, height() - 24, width(), 24);
    p.fillRect(band, QColor(0, 0, 0, 150));
    p.setPen(Qt::white);
    p.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, figures(m_state));
}
