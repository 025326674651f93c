// Where the virtual camera's view opens: beside the control panel, which centres itself on the
// screen's available area, in the largest free strip around it, so that the panel does not
// cover the picture when both are started together (scripts/demo).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

struct ViewPlacement
{
    QPoint position; // the window's top-left corner, frame included (QWidget::move)
    QSize size;      // the picture's size, frame excluded (QWidget::resize)
};

namespace viewplacement {

// Room left for a window manager's frame: borders and a title bar, wherever it puts them.
inline constexpr QSize frameAllowance{10, 40};
// Between the panel and the view.
inline constexpr int gap = 8;
// The picture's aspect is kept; below this it is too small to see much.
inline constexpr QSize minimumSize{200, 125};

} // namespace viewplacement

// The view at most at preferred (and with its aspect), in the largest of the four strips of
// available left free by a panel of panelSize (frame excluded) centred on it: left or right of
// the panel for the screen's full height, or above or below it for its full width. The view
// sits next to the panel, centred along it. When no strip takes minimumSize, the view gets that
// size in available's top left corner.
ViewPlacement placeBesidePanel(const QRect &available, QSize panelSize, QSize preferred);

// The panel's size as the panel makes it: its template's size in its dialog font's units.
QSize controlPanelSize();

// Moves and sizes view (not shown yet) beside the panel on the primary screen.
void placeBesideControlPanel(QWidget &view, QSize preferred);
