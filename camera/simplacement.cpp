#include "simplacement.h"

#include "dialogbuilder.h"
#include "ptzcontroldlg.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <array>

using namespace viewplacement;

namespace {

// The largest size of preferred's aspect, at most preferred, whose window fits room.
QSize fitting(QSize room, QSize preferred)
{
    const int width = std::min(
        {preferred.width(), room.width() - frameAllowance.width(),
         (room.height() - frameAllowance.height()) * preferred.width() / preferred.height()});
    if (width <= 0)
        return {};
    return {width, width * preferred.height() / preferred.width()};
}

} // namespace

ViewPlacement placeBesidePanel(const QRect &available, QSize panelSize, QSize preferred)
{
    // The panel centres itself before the window manager has framed it; the frame then grows
    // around it, to any side, depending on the window manager.
    const QPoint centre = available.center();
    const QRect panel =
        QRect(centre - QPoint((panelSize.width() - 1) / 2, (panelSize.height() - 1) / 2), panelSize)
            .adjusted(-frameAllowance.width(), -frameAllowance.height(), frameAllowance.width(),
                      frameAllowance.height());

    // The four strips, in the order that wins a tie.
    const std::array<QRect, 4> strips = {
        QRect(QPoint(panel.right() + 1 + gap, available.top()), available.bottomRight()),
        QRect(available.topLeft(), QPoint(panel.left() - 1 - gap, available.bottom())),
        QRect(QPoint(available.left(), panel.bottom() + 1 + gap), available.bottomRight()),
        QRect(available.topLeft(), QPoint(available.right(), panel.top() - 1 - gap)),
    };
    std::size_t best = 0;
    QSize bestSize;
    for (std::size_t i = 0; i < strips.size(); ++i) {
        const QSize size = strips[i].isValid() ? fitting(strips[i].size(), preferred) : QSize();
        if (size.width() > bestSize.width()) {
            best = i;
            bestSize = size;
        }
    }
    if (bestSize.width() < minimumSize.width() || bestSize.height() < minimumSize.height())
        return {available.topLeft(), minimumSize};

    // Next to the panel, centred along it; inside the strip in any case.
    const QRect strip = strips[best];
    const QSize window = bestSize + frameAllowance;
    QPoint at;
    if (best < 2) {
        at.setX(best == 0 ? strip.left() : strip.right() + 1 - window.width());
        at.setY(centre.y() - (window.height() - 1) / 2);
    } else {
        at.setX(centre.x() - (window.width() - 1) / 2);
        at.setY(best == 2 ? strip.top() : strip.bottom() + 1 - window.height());
    }
    at.setX(std::clamp(at.x(), strip.left(), strip.right() + 1 - window.width()));
    at.setY(std::clamp(at.y(), strip.top(), strip.bottom() + 1 - window.height()));
    return {at, bestSize};
}

QSize controlPanelSize()
{
    const DialogTemplate &tmpl = ptzControlDialogTemplate();
    return dialogBaseUnits(dialogFont(tmpl)).toPixels(0, 0, tmpl.cx, tmpl.cy).size();
}

void placeBesideControlPanel(QWidget &view, QSize preferred)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        view.resize(preferred);
        return;
    }
    const ViewPlacement placement =
        placeBesidePanel(screen->availableGeometry(), controlPanelSize(), preferred);
    view.resize(placement.size);
    view.move(placement.position);
}
