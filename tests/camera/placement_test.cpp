// Where the virtual camera's view opens: beside the control panel centred on the screen, never
// under it, on the screens people have.
#include "simplacement.h"

#include <QRect>

#include <gtest/gtest.h>

namespace {

constexpr QSize preferred{640, 400};

// The panel's frame as window managers make it around the panel centred by its own rule:
// borders of 4 and a title bar of 28 pixels, around the panel where it asked to be, or added
// to the right and down from the corner it asked for, or centred when the frame was known.
std::vector<QRect> panelFrames(const QRect &available, QSize panel)
{
    const QSize frame = panel + QSize(8, 32);
    const QPoint c = available.center();
    const QPoint corner = c - QPoint((panel.width() - 1) / 2, (panel.height() - 1) / 2);
    return {
        QRect(corner - QPoint(4, 28), frame),
        QRect(corner, frame),
        QRect(c - QPoint((frame.width() - 1) / 2, (frame.height() - 1) / 2), frame),
    };
}

TEST(ViewPlacement, TheViewLiesOnTheScreenBesideTheCentredPanel)
{
    // The panel as DejaVu Sans 8 pt makes it (686x312) on the usual screens, with task bars and
    // on a second screen; and with a larger font (8x16 units) where there is room for it.
    std::vector<std::pair<QRect, QSize>> rows;
    for (const QRect &available :
         {QRect(0, 0, 1280, 1024), QRect(0, 0, 1366, 768), QRect(0, 0, 1920, 1080),
          QRect(0, 0, 1024, 768), QRect(0, 0, 1366, 728), QRect(0, 27, 1920, 1053),
          QRect(1920, 0, 1280, 1024)})
        rows.push_back({available, QSize(686, 312)});
    for (const QRect &available :
         {QRect(0, 0, 1280, 1024), QRect(0, 0, 1366, 768), QRect(0, 0, 1920, 1080)})
        rows.push_back({available, QSize(784, 384)});
    for (const auto &[available, panel] : rows) {
        SCOPED_TRACE(QStringLiteral("%1x%2+%3+%4, panel %5x%6")
                         .arg(available.width())
                         .arg(available.height())
                         .arg(available.x())
                         .arg(available.y())
                         .arg(panel.width())
                         .arg(panel.height())
                         .toStdString());
        const ViewPlacement view = placeBesidePanel(available, panel, preferred);
        // The view's frame, with the same window manager's decorations.
        const QRect frame(view.position, view.size + QSize(8, 32));
        EXPECT_TRUE(available.contains(frame)) << frame.x() << "," << frame.y();
        for (const QRect &panelFrame : panelFrames(available, panel))
            EXPECT_FALSE(frame.intersects(panelFrame)) << frame.x() << "," << frame.y();
        // The picture keeps its aspect, and stays big enough to see.
        EXPECT_LE(view.size.width(), 640);
        EXPECT_GE(view.size.width(), 200);
        EXPECT_NEAR(view.size.height(), view.size.width() * 400 / 640, 1);
    }
}

TEST(ViewPlacement, TheLargestStripWinsAndTheViewSitsNextToThePanel)
{
    struct Row
    {
        QRect available;
        ViewPlacement expected;
    };
    // Panel 686x312 at (297,356) on 1280x1024, 40 pixels more above and below for its frame,
    // 10 beside it: 308 rows are free below it (and above), 279 columns beside it; below gives
    // the largest picture. On 1920x1080 it is at (617,384): 599 columns free beside it.
    for (const Row &row : {
             Row{QRect(0, 0, 1280, 1024), {QPoint(421, 716), QSize(428, 267)}},
             Row{QRect(0, 0, 1920, 1080), {QPoint(1321, 336), QSize(589, 368)}},
             Row{QRect(0, 0, 2560, 1440), {QPoint(1641, 500), QSize(640, 400)}},
         }) {
        const ViewPlacement view = placeBesidePanel(row.available, QSize(686, 312), preferred);
        EXPECT_EQ(view.position, row.expected.position) << row.available.width();
        EXPECT_EQ(view.size, row.expected.size) << row.available.width();
    }
}

TEST(ViewPlacement, AScreenWithNoRoomBesideThePanelGetsASmallViewInItsCorner)
{
    const ViewPlacement view = placeBesidePanel(QRect(0, 0, 800, 600), QSize(686, 312), preferred);
    EXPECT_EQ(view.position, QPoint(0, 0));
    EXPECT_EQ(view.size, QSize(200, 125));
}

} // namespace
