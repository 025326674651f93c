// The window of a line of several virtual cameras: their pictures side by side, in ascending
// order of address, each labelled "camera N" and with its own figures.
#pragma once

#include "simview.h"

#include <QWidget>

#include <vector>

class SimLineView : public QWidget
{
public:
    SimLineView(const QString &portName, const std::vector<pelco::Byte> &addresses,
                QWidget *parent = nullptr);

    // The picture of the camera at an index (its place in the addresses given).
    SimView &camera(std::size_t index) { return *m_views.at(index); }
    std::size_t cameras() const { return m_views.size(); }

    // The size to open at: a picture of 640 x 400 each, narrower when that makes the row
    // wider than 1280.
    static QSize preferredSize(std::size_t cameras);

private:
    std::vector<SimView *> m_views; // children
};
