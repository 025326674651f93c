#include "simlineview.h"
#include "simview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

CameraState at(double pan, double tilt, double zoom, double focus)
{
    CameraState s;
    s.position = {pan, tilt, zoom, focus};
    return s;
}

QImage picture(const CameraState &state)
{
    SimView view("COM9");
    view.setState(state);
    return view.renderScene(QSize(320, 200));
}

double difference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return sum / (a.width() * a.height());
}

// Mean square brightness step between neighbouring pixels: blur spreads a step over many
// pixels, which keeps the sum of the steps but lowers the sum of their squares.
double sharpness(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 1; x < image.width(); ++x)
            sum += std::pow(qGray(image.pixel(x, y)) - qGray(image.pixel(x - 1, y)), 2);
    return sum / (image.width() * image.height());
}

double brightness(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

TEST(SimView, ShowsWhereTheCameraPoints)
{
    const QImage north = picture(at(0, 0, 1, 50));
    EXPECT_EQ(picture(at(0, 0, 1, 50)), north); // the same view paints the same picture
    EXPECT_GT(difference(north, picture(at(90, 0, 1, 50))), 3.0);
    EXPECT_GT(difference(north, picture(at(0, -30, 1, 50))), 3.0);
    const double zoom = VirtualCamera::sharpFocus(4.0);
    EXPECT_GT(difference(north, picture(at(0, 0, 4, zoom))), 3.0);
    // A full turn is the same view.
    EXPECT_LT(difference(picture(at(359.99, 0, 1, 50)), north), 1.0);
}

TEST(SimView, FocusSharpensAndIrisBrightens)
{
    const double sharp = sharpness(picture(at(45, -5, 1, VirtualCamera::sharpFocus(1))));
    EXPECT_LT(sharpness(picture(at(45, -5, 1, 0))), sharp * 0.8);
    EXPECT_LT(sharpness(picture(at(44, 3, 20, VirtualCamera::sharpFocus(1)))),
              sharpness(picture(at(44, 3, 20, VirtualCamera::sharpFocus(20)))));

    CameraState open = at(45, -5, 1, 50), closed = open;
    open.iris = 100;
    closed.iris = 0;
    EXPECT_GT(brightness(picture(open)), brightness(picture(at(45, -5, 1, 50))));
    EXPECT_LT(brightness(picture(closed)), brightness(picture(at(45, -5, 1, 50))));

    CameraState off = open;
    off.powerOn = false;
    EXPECT_EQ(brightness(picture(off)), 0.0);
}

TEST(SimView, CaptionAndFigures)
{
    SimView view("COM12");
    EXPECT_EQ(view.windowTitle(), "Tarn virtual camera COM12");
    EXPECT_EQ(SimView::figures(at(12.34, -4, 2, 57)),
              QString::fromUtf8("pan 12.3°  tilt -4.0°  zoom 2.0x  focus 57  iris 50"));
    CameraState aux = at(0, 0, 1, 50);
    aux.auxiliary[0] = aux.auxiliary[7] = true;
    EXPECT_EQ(SimView::figures(aux),
              QString::fromUtf8("pan 0.0°  tilt 0.0°  zoom 1.0x  focus 50  iris 50  aux 1,8"));
    view.setState(at(10, 0, 1, 50));
    view.show();
    EXPECT_FALSE(view.grab().isNull()); // the whole window paints, figures band included
}

// The rows a letter covers: the pixels brighter than the sky of their row (read at column
// skyX, clear of landmarks) by at least half the most any pixel of the band is, in the band of
// columns [x0, x1) and rows [0, y1). Half the peak is where a blurred edge crosses the edge it
// had in focus, so blur does not change the measure.
int letterHeight(const QImage &image, int x0, int x1, int y1, int skyX)
{
    const auto excess = [&](int x, int y) {
        return qGray(image.pixel(x, y)) - qGray(image.pixel(skyX, y));
    };
    int peak = 0;
    for (int y = 0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            peak = std::max(peak, excess(x, y));
    int top = -1, bottom = -1;
    for (int y = 0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (excess(x, y) * 2 >= peak) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

// The width of the dark tower in a row: the run of pixels darker than the sky beside it by at
// least half the darkest one's depth.
std::pair<int, int> towerSpan(const QImage &image, int y, int x0, int x1, int skyX)
{
    const int sky = qGray(image.pixel(skyX, y));
    int depth = 0;
    for (int x = x0; x < x1; ++x)
        depth = std::max(depth, sky - qGray(image.pixel(x, y)));
    int first = -1, last = -1;
    for (int x = x0; x < x1; ++x)
        if ((sky - qGray(image.pixel(x, y))) * 2 >= depth) {
            if (first < 0)
                first = x;
            last = x;
        }
    return {first, last};
}

// The largest brightness step between neighbouring pixels, across and down.
int steepestStep(const QImage &image)
{
    int most = 0;
    for (int y = 1; y < image.height(); ++y)
        for (int x = 1; x < image.width(); ++x) {
            const int here = qGray(image.pixel(x, y));
            most = std::max({most, std::abs(here - qGray(image.pixel(x - 1, y))),
                             std::abs(here - qGray(image.pixel(x, y - 1)))});
        }
    return most;
}

// Looking north at 1x on 640 x 400 pixels: 10.67 pixels a degree, the horizon on row 200, the
// north tower (1 degree wide, 9 high) on column 320 and its "N" above it; the hills stay below
// 6 degrees (row 136), and the nearest landmark is the mast at 345 degrees (column 160).
constexpr QSize large(640, 400);

QImage northAt(double focus)
{
    SimView view("COM9");
    view.setState(at(0, 0, 1, focus));
    return view.renderScene(large);
}

// In focus at 1x the focus is 50: 13 is 37 off, 37 is 13 off, and the letter is about four
// times as tall.
TEST(SimView, CompassLettersSwellOutOfFocus)
{
    const int sharp = letterHeight(northAt(50), 220, 420, 136, 140);
    const int near = letterHeight(northAt(37), 220, 420, 136, 140);
    const int far = letterHeight(northAt(13), 220, 420, 136, 140);
    EXPECT_GT(sharp, 5);
    EXPECT_GT(near, sharp);
    EXPECT_NEAR(double(far) / near, 4.0, 0.8) << far << " / " << near;
    // Focusing past the sharp point swells them the same.
    EXPECT_NEAR(letterHeight(northAt(87), 220, 420, 136, 140), far, 3);
}

TEST(SimView, DefocusBlursWithoutEnlarging)
{
    const QImage sharp = northAt(50);
    const QImage blurred = northAt(40);
    EXPECT_EQ(blurred.size(), large);
    EXPECT_LT(steepestStep(blurred), steepestStep(sharp) / 2);
    // The tower, in the sky at 7 degrees (row 125), stays where it was and as wide.
    const auto inFocus = towerSpan(sharp, 125, 290, 350, 270);
    const auto outOfFocus = towerSpan(blurred, 125, 290, 350, 270);
    EXPECT_NEAR(inFocus.second - inFocus.first, 10, 2);
    EXPECT_NEAR(outOfFocus.first, inFocus.first, 1);
    EXPECT_NEAR(outOfFocus.second, inFocus.second, 1);
    // The further off, the softer.
    EXPECT_LT(steepestStep(northAt(20)), steepestStep(blurred));
}

TEST(SimView, ALineShowsItsCamerasSideBySideEachLabelled)
{
    SimLineView line("COM9", {1, 2, 5});
    EXPECT_EQ(line.windowTitle(), "Tarn virtual cameras COM9");
    ASSERT_EQ(line.cameras(), 3u);
    line.camera(1).setState(at(90, 0, 1, 50));
    line.show();
    const QImage window = line.grab().toImage();
    const char *labels[] = {"camera 1", "camera 2", "camera 5"};
    for (std::size_t i = 0; i < 3; ++i) {
        SimView &view = line.camera(i);
        EXPECT_EQ(view.label(), labels[i]);
        EXPECT_EQ(view.y(), 0);
        EXPECT_EQ(view.height(), line.height());
        EXPECT_NEAR(view.width(), line.width() / 3, 2);
        if (i > 0) {
            EXPECT_GE(view.x(), line.camera(i - 1).x() + line.camera(i - 1).width());
        }
        // The label is painted in the picture's corner: white text on a dark tag.
        const QImage own = view.grab().toImage();
        int white = 0;
        for (int y = 2; y < 20; ++y)
            for (int x = 4; x < 60; ++x)
                white += qGray(own.pixel(x, y)) > 230;
        EXPECT_GT(white, 15) << labels[i];
    }
    // Each picture shows its own camera: the second looks east.
    const auto picture = [&](std::size_t i) {
        const SimView &view = line.camera(i);
        return window.copy(view.x(), 30, view.width(), view.height() - 60);
    };
    EXPECT_LT(difference(picture(0), picture(2)), 1.0);
    EXPECT_GT(difference(picture(0), picture(1)), 3.0);
    // Alone, a camera's picture has no label.
    SimView alone("COM9");
    EXPECT_EQ(alone.label(), "");
}

} // namespace
