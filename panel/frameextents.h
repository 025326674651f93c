// The frame a window manager is going to put around a top-level window, asked for before the
// window is mapped (_NET_REQUEST_FRAME_EXTENTS), so that the window can be placed frame and all
// before it shows instead of jumping once the frame is known.
#pragma once

#include <QMargins>

class QWidget;

// The frame's widths (left, top, right, bottom) around window, which must be created and not
// yet shown. Empty on a platform other than X11, with no window manager, and when the window
// manager does not say within timeoutMs.
QMargins expectedFrameExtents(QWidget &window, int timeoutMs = 300);
