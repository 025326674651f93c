// The virtual camera's view and the panel started together, as scripts/demo starts them, on a
// real X server of 1024x768 (the smallest usual screen), bare and under openbox: neither window
// covers the other, frames included, and the view is on the screen.
#include "e2efixture.h"
#include "runprocess.h"

#include <chrono>
#include <csignal>
#include <regex>
#include <thread>

namespace {

struct Rect
{
    int left, top, right, bottom; // right and bottom exclusive

    bool intersects(const Rect &o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
};

class DemoView : public PanelEndToEnd
{
protected:
    // A window's client area grown by the frame the window manager gave it (none when bare).
    Rect frameOf(const std::string &window)
    {
        const Geometry g = clientGeometry(window);
        int left = 0, right = 0, top = 0, bottom = 0;
        const ProcessResult extents =
            runProcess(onPath("xprop").value_or("xprop"), {"-id", window, "_NET_FRAME_EXTENTS"});
        std::smatch m;
        if (std::regex_search(extents.out, m, std::regex(R"(= (\d+), (\d+), (\d+), (\d+))"))) {
            left = std::stoi(m[1]);
            right = std::stoi(m[2]);
            top = std::stoi(m[3]);
            bottom = std::stoi(m[4]);
        }
        return {g.x - left, g.y - top, g.x + g.width + right, g.y + g.height + bottom};
    }

    // The window's frame once the window manager has framed and placed it: the same twice in a
    // row, 100 ms apart (a loaded machine may map a window well before it is framed).
    Rect settledFrameOf(const std::string &window)
    {
        Rect last = frameOf(window);
        waitUntil(
            [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const Rect now = frameOf(window);
                const bool same = now.left == last.left && now.top == last.top &&
                                  now.right == last.right && now.bottom == last.bottom;
                last = now;
                return same;
            },
            10000);
        return last;
    }

    void checkApart()
    {
        Child camera(TARNCTL_PATH, {"sim", "--view"}, panelEnvironment());
        const auto views = findWindows("^Tarn virtual camera COM[0-9]+$");
        ASSERT_EQ(views.size(), 1u) << "the camera's view did not show";
        ASSERT_TRUE(startPanel());
        const Rect view = settledFrameOf(views.front());
        const Rect panel = settledFrameOf(m_window);
        const auto text = [](const Rect &r) {
            return std::to_string(r.left) + "," + std::to_string(r.top) + " to " +
                   std::to_string(r.right) + "," + std::to_string(r.bottom);
        };
        EXPECT_FALSE(view.intersects(panel)) << "view " << text(view) << ", panel " << text(panel);
        EXPECT_TRUE(view.left >= 0 && view.top >= 0 && view.right <= 1024 && view.bottom <= 768)
            << text(view);
        EXPECT_GE(view.right - view.left, 200) << text(view);
    }
};

TEST_F(DemoView, OnABareDisplayTheViewAndThePanelLieApart)
{
    checkApart();
}

TEST_F(DemoView, UnderAWindowManagerTheViewAndThePanelLieApart)
{
    startWindowManager();
    if (IsSkipped() || HasFatalFailure())
        return;
    checkApart();
}

} // namespace
