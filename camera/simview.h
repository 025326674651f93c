// The virtual camera's window: the picture the camera would see of a painted landscape
// (sky, hills, a compass ring of landmarks and a grid on the ground), panned, tilted and zoomed,
// sharp only when the focus suits the zoom, brighter or darker with the iris, with its figures.
//
// Out of focus the picture blurs (a box blur whose radius grows with the distance from the
// sharp focus), keeping its size and geometry; the compass letters, like lights seen out of
// focus, swell: their height is the sharp height times 1 + d^2 / 231 for a focus d away from
// the sharp one, so at zoom 1 (sharp at 50) "N" is four times as tall at focus 13 as at 37.
#pragma once

#include "virtualcamera.h"

#include <QImage>
#include <QWidget>

class SimView : public QWidget
{
public:
    explicit SimView(const QString &portName, QWidget *parent = nullptr);

    void setState(const CameraState &state);
    const CameraState &state() const { return m_state; }

    // A name painted in the picture's top left corner ("camera 2"), for a line of several
    // cameras; none when empty, the default.
    void setLabel(const QString &label);
    const QString &label() const { return m_label; }

    // The picture alone, as the camera sees it, at the given size.
    QImage renderScene(QSize size) const;

    // "pan 12.3°  tilt -4.0°  zoom 2.0x  focus 50  iris 50", then "  aux 1,3" with auxiliaries
    // on.
    static QString figures(const CameraState &state);

    // How far the focus is from the sharp focus for the zoom, in focus units.
    static double defocus(const CameraState &state);
    // The compass letters' pixel size for a picture width: 1.5 degrees high in focus (10 to 60
    // pixels), swelling out of focus, at most the picture's height.
    static int letterPixels(const CameraState &state, QSize size);
    // The blur's radius in pixels for a picture width: a pixel per 3 focus units off, at 640.
    static int blurRadius(const CameraState &state, int width);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintLandscape(QPainter &painter, QSize size) const;

    CameraState m_state;
    QString m_label;
};
