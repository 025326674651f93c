// The virtual camera's window: the picture the camera would see of a painted landscape
// (sky, hills, a compass ring of landmarks and a grid on the ground), panned, tilted and zoomed,
// sharp only when the focus suits the zoom, brighter or darker with the iris, with its figures.
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

    // The picture alone, as the camera sees it, at the given size.
    QImage renderScene(QSize size) const;

    // "pan 12.3°  tilt -4.0°  zoom 2.0x  focus 50  iris 50", then "  aux 1,3" with auxiliaries
    // on.
    static QString figures(const CameraState &state);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintLandscape(QPainter &painter, QSize size) const;

    CameraState m_state;
};
