#include "simview.h"

#include <gtest/gtest.h>

#include <cmath>

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

} // namespace
