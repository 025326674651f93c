#include "aboutbox.h"
#include "aboutdlg.h"
#include "dialogbuilder.h"
#include "modalrunner.h"
#include "resource.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {
QRect screenArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// A stand-in for the control panel: a top-level window with a button and an edit box.
struct Parent
{
    QWidget window;
    QPushButton *button = new QPushButton(QStringLiteral("UP"), &window);
    QLineEdit *edit = new QLineEdit(QStringLiteral("17"), &window);

    explicit Parent(QPoint pos = QPoint(200, 150), QSize size = QSize(300, 200))
    {
        window.setWindowTitle(QStringLiteral("panel"));
        button->setGeometry(10, 10, 80, 40);
        edit->setGeometry(10, 60, 80, 24);
        window.resize(size);
        window.move(pos);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

// Runs the box over parent; action acts on it once it is up, and sees the box.
int runAbout(QWidget *parent, const std::function<void(CAboutDlg &)> &action,
             bool *timedOut = nullptr)
{
    CAboutDlg dlg(parent);
    ModalRunner runner([&](QWidget *w) { return w == &dlg; }, [&](QWidget *) { action(dlg); });
    const int result = dlg.DoModal();
    if (timedOut)
        *timedOut = runner.timedOut();
    EXPECT_TRUE(runner.acted());
    return result;
}

QPushButton *okButton(CAboutDlg &dlg)
{
    return qobject_cast<QPushButton *>(dlg.controls().byId.at(IDOK));
}
} // namespace

TEST(AboutBox, BuildsItsFourControlsFromTheTemplate)
{
    CAboutDlg dlg;
    const auto &items = dlg.controls().inOrder;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Vosk"));

    auto *icon = qobject_cast<QLabel *>(items[0]);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull()) << "the icon item shows the application icon";
    auto *product = qobject_cast<QLabel *>(items[1]);
    auto *copyright = qobject_cast<QLabel *>(items[2]);
    ASSERT_NE(product, nullptr);
    ASSERT_NE(copyright, nullptr);
    EXPECT_EQ(product->text(), QStringLiteral("Mirelda PTZ Control"));
    EXPECT_TRUE(copyright->text().startsWith(QStringLiteral("Copyright")));
    auto *ok = qobject_cast<QPushButton *>(items[3]);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok, okButton(dlg));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    // The statics take no focus: OK is the only tab stop.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(items[i]->focusPolicy(), Qt::NoFocus) << "item " << i;
}

TEST(AboutBox, GeometryFollowsTheTemplateInDialogUnits)
{
    CAboutDlg dlg;
    const DialogTemplate &tmpl = aboutBoxTemplate();
    const DialogBaseUnits units = dialogBaseUnits(dialogFont(tmpl));
    ASSERT_GT(units.x, 0);
    ASSERT_GT(units.y, 0);
    EXPECT_EQ(dlg.size(), units.toPixels(0, 0, 235, 55).size());
    const auto &items = dlg.controls().inOrder;
    for (size_t i = 0; i < items.size(); ++i) {
        const DialogItem &item = tmpl.items[i];
        EXPECT_EQ(items[i]->geometry(), units.toPixels(item.x, item.y, item.cx, item.cy))
            << "item " << i;
    }
    // Proportions hold in pixels: the text lines are 119/50 as wide as OK, and all of OK lies
    // inside the box.
    EXPECT_NEAR(double(items[1]->width()) / items[3]->width(), 119.0 / 50.0, 0.1);
    EXPECT_TRUE(dlg.rect().contains(items[3]->geometry()));
}

TEST(AboutBox, FocusIsOnOkWhileItRuns)
{
    Parent parent;
    parent.edit->setFocus();
    bool onOk = false;
    const int result = runAbout(&parent.window, [&](CAboutDlg &dlg) {
        onOk = dlg.focusWidget() != nullptr && dlg.focusWidget() == okButton(dlg);
        dlg.accept();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(onOk);
}

TEST(AboutBox, EachWayOfClosingGivesItsResult)
{
    struct Case
    {
        const char *name;
        std::function<void(CAboutDlg &)> close;
        int expected;
    };
    const Case cases[] = {
        {"OK clicked", [](CAboutDlg &d) { QTest::mouseClick(okButton(d), Qt::LeftButton); }, IDOK},
        {"Space on OK", [](CAboutDlg &d) { QTest::keyClick(okButton(d), Qt::Key_Space); }, IDOK},
        {"Enter", [](CAboutDlg &d) { QTest::keyClick(&d, Qt::Key_Return); }, IDOK},
        {"keypad Enter", [](CAboutDlg &d) { QTest::keyClick(&d, Qt::Key_Enter); }, IDOK},
        {"Esc", [](CAboutDlg &d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
        {"close box", [](CAboutDlg &d) { d.close(); }, IDCANCEL},
    };
    Parent parent;
    for (const Case &c : cases) {
        bool timedOut = false;
        EXPECT_EQ(runAbout(&parent.window, c.close, &timedOut), c.expected) << c.name;
        EXPECT_FALSE(timedOut) << c.name << " did not close the box";
    }
}

TEST(AboutBox, TheParentTakesNoInputWhileTheBoxIsOpen)
{
    Parent parent;
    QSignalSpy clicks(parent.button, &QPushButton::clicked);
    const QPoint onButton = parent.button->geometry().center();
    runAbout(&parent.window, [&](CAboutDlg &dlg) {
        // Through the window system, as a real click arrives.
        QTest::mouseClick(parent.window.windowHandle(), Qt::LeftButton, {}, onButton);
        dlg.accept();
    });
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(parent.window.windowHandle(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(clicks.count(), 1) << "the parent takes input again once the box is closed";
}

TEST(AboutBox, OpensCentredOverTheParent)
{
    Parent parent(QPoint(150, 120), QSize(400, 300));
    QRect box;
    runAbout(&parent.window, [&](CAboutDlg &dlg) {
        box = dlg.frameGeometry();
        dlg.accept();
    });
    const QRect over = parent.window.frameGeometry();
    EXPECT_LE(std::abs(box.center().x() - over.center().x()), 1);
    EXPECT_LE(std::abs(box.center().y() - over.center().y()), 1);
}

TEST(AboutBox, StaysInsideTheScreenNearEachCorner)
{
    const QRect area = screenArea();
    struct Case
    {
        const char *name;
        QPoint parentPos;
        bool right, bottom; // which edges the box must touch
    };
    const Case cases[] = {
        {"bottom right", area.bottomRight() - QPoint(60, 40), true, true},
        {"top left, partly off screen", area.topLeft() - QPoint(250, 150), false, false},
    };
    for (const Case &c : cases) {
        Parent parent(c.parentPos, QSize(300, 200));
        QRect box;
        runAbout(&parent.window, [&](CAboutDlg &dlg) {
            box = dlg.frameGeometry();
            dlg.accept();
        });
        EXPECT_TRUE(area.contains(box)) << c.name << ": box at " << box.x() << "," << box.y();
        if (c.right) {
            EXPECT_EQ(box.right(), area.right()) << c.name << ": moved no more than needed";
        } else {
            EXPECT_EQ(box.left(), area.left()) << c.name << ": moved no more than needed";
        }
        if (c.bottom) {
            EXPECT_EQ(box.bottom(), area.bottom()) << c.name;
        } else {
            EXPECT_EQ(box.top(), area.top()) << c.name;
        }
    }
}

TEST(AboutBox, CentredPositionRule)
{
    const QRect area(0, 0, 800, 600);
    const QSize box(200, 100);
    struct Case
    {
        const char *name;
        QRect parent;
        QSize size;
        QRect available;
        QPoint expected;
    };
    const Case cases[] = {
        {"centred", QRect(100, 100, 400, 300), box, area, QPoint(200, 200)},
        {"odd sizes round down", QRect(0, 0, 301, 201), QSize(101, 51), area, QPoint(100, 75)},
        {"past the right and bottom", QRect(700, 550, 300, 200), box, area, QPoint(600, 500)},
        {"past the left and top", QRect(-300, -200, 300, 200), box, area, QPoint(0, 0)},
        {"wider and taller than the area: left and top win", QRect(0, 0, 800, 600),
         QSize(1000, 700), area, QPoint(0, 0)},
        {"area not at the origin", QRect(0, 0, 100, 100), box, QRect(50, 30, 800, 600),
         QPoint(50, 30)},
        {"second screen to the right", QRect(1700, 500, 200, 100), box, QRect(800, 0, 1024, 768),
         QPoint(1624, 500)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CAboutDlg::centredPosition(c.parent, c.size, c.available), c.expected) << c.name;
}

TEST(AboutBox, OpeningAndClosingLeavesTheParentAsItWas)
{
    Parent parent(QPoint(120, 90));
    parent.edit->setFocus();
    const QRect geometry = parent.window.geometry();
    const QString title = parent.window.windowTitle();
    for (int i = 0; i < 5; ++i) {
        const int result = runAbout(&parent.window, [i](CAboutDlg &dlg) {
            if (i % 2)
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.accept();
        });
        EXPECT_EQ(result, i % 2 ? IDCANCEL : IDOK);
    }
    EXPECT_EQ(parent.window.geometry(), geometry);
    EXPECT_EQ(parent.window.windowTitle(), title);
    EXPECT_TRUE(parent.window.isEnabled());
    EXPECT_TRUE(parent.window.isVisible());
    EXPECT_EQ(parent.edit->text(), QStringLiteral("17"));
    EXPECT_TRUE(parent.window.findChildren<QDialog *>().isEmpty()) << "no box is left behind";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(AboutBox, ARunningBoxCannotBeRunAgain)
{
    Parent parent;
    int nested = 0;
    const int result = runAbout(&parent.window, [&](CAboutDlg &dlg) {
        nested = dlg.DoModal();
        dlg.accept();
    });
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(result, IDOK);
}
