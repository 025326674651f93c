#include "simlineview.h"

#include <QHBoxLayout>

#include <algorithm>

namespace {
constexpr int spacing = 2; // a dark seam between the pictures
} // namespace

SimLineView::SimLineView(const QString &portName, const std::vector<pelco::Byte> &addresses,
                         QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle("Tarn virtual cameras " + portName);
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    setPalette(dark);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    for (pelco::Byte address : addresses) {
        auto *view = new SimView(portName, this);
        view->setLabel(QStringLiteral("camera %1").arg(address));
        // Side by side, each may be smaller than a window of its own.
        view->setMinimumSize(120, 75);
        row->addWidget(view, 1);
        m_views.push_back(view);
    }
    resize(preferredSize(addresses.size()));
}

QSize SimLineView::preferredSize(std::size_t cameras)
{
    const int n = int(std::max<std::size_t>(1, cameras));
    const int width = std::min(640, (1280 - (n - 1) * spacing) / n);
    return {n * width + (n - 1) * spacing, width * 400 / 640};
}
