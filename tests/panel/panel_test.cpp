#include "paneltestsupport.h"

#include "aboutdlg.h"
#include "appresources.h"
#include "cameraactions.h"
#include "hex.h"
#include "holdtomovehook.h"
#include "ptypair.h"
#include "ptzcontroldlg.h"
#include "resource.h"
#include "serialcontrol.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::IsEmpty;

namespace {
const std::vector<std::string> openAt9600{
    "put CommPort 1",       "put Settings 9600,n,8,1", "put InputMode 1",
    "put InBufferSize 128", "put OutBufferSize 128",   "put InputLen 0",
    "put InBufferCount 0",  "put OutBufferCount 0",    "put RThreshold 1",
    "put Handshaking 0",    "put PortOpen true"};

std::vector<std::string> withPortOpenFirst(bool open, std::vector<std::string> rest)
{
    rest.insert(rest.begin(), std::string("get PortOpen ") + (open ? "true" : "false"));
    return rest;
}

QStringList itemsOf(const QComboBox &combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    return pelco::toHex(bytes.data(), bytes.size());
}

std::vector<std::string> outputsHex(const RecordingComm &comm)
{
    std::vector<std::string> hex;
    for (const auto &bytes : comm.outputs)
        hex.push_back(pelco::toHex(bytes.data(), bytes.size()));
    return hex;
}
} // namespace

TEST_F(PanelTest, OpensInItsInitialState)
{
    const int result = run([&] {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        auto *baudList = item<QComboBox>(IDC_BAUD_LIST);
        EXPECT_EQ(itemsOf(*portList),
                  QStringList({"COM1 (ttyS0)", "COM10 (pts/2)", "COM2 (ttyS1)", "COM3 (ttyUSB0)"}));
        EXPECT_EQ(portList->currentIndex(), -1);
        EXPECT_EQ(portList->currentText(), QString());
        EXPECT_EQ(itemsOf(*baudList), QStringList({"2400", "4800", "9600", "19200", "38400",
                                                   "56000", "57600", "115200"}));
        EXPECT_EQ(baudList->currentIndex(), 2);
        EXPECT_EQ(baudList->currentText(), "9600");
        EXPECT_EQ(item<QLineEdit>(IDC_ADDRESS)->text(), "1");
        EXPECT_EQ(item<QLineEdit>(IDC_PRESET_NUMBER)->text(), "1");
        EXPECT_EQ(panel.focusWidget(), item(IDC_ZOOM_PLUS));
        EXPECT_EQ(panel.windowTitle(), "Tarn - Mirelda PTZ Control  V1.00");
        // Nothing was opened, or even asked for.
        EXPECT_THAT(comm->log, IsEmpty());
        // A press on a hold-to-move button with the port closed sends nothing.
        QTest::mousePress(item(IDC_UP), Qt::LeftButton);
        QTest::mouseRelease(item(IDC_UP), Qt::LeftButton);
        EXPECT_THAT(comm->outputs, IsEmpty());
    });
    EXPECT_EQ(result, 99);
}

TEST_F(PanelTest, IsAFixedDialogWithTitleAndCloseOnlyCentredOnTheScreen)
{
    run([&] {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        const Qt::WindowFlags flags = panel.windowFlags();
        EXPECT_TRUE(flags & Qt::WindowTitleHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
        EXPECT_EQ(panel.minimumSize(), panel.maximumSize());
        const QRect available = panel.screen()->availableGeometry();
        EXPECT_LE(std::abs(panel.frameGeometry().center().x() - available.center().x()), 1);
        EXPECT_LE(std::abs(panel.frameGeometry().center().y() - available.center().y()), 1);
        const DialogBaseUnits units = dialogBaseUnits(dialogFont(ptzControlDialogTemplate()));
        EXPECT_EQ(panel.size(), units.toPixels(0, 0, 392, 192).size());
    });
}

TEST_F(PanelTest, HasTheTemplatesControlsWithTheirIdsGeometryAndTabOrder)
{
    run([&] {
        const DialogTemplate &tmpl = ptzControlDialogTemplate();
        ASSERT_EQ(tmpl.items.size(), 25u);
        const auto &built = panel.controls();
        ASSERT_EQ(built.inOrder.size(), 25u);
        const DialogBaseUnits units = dialogBaseUnits(dialogFont(tmpl));
        std::vector<QWidget *> tabStops;
        for (std::size_t i = 0; i < tmpl.items.size(); ++i) {
            const DialogItem &it = tmpl.items[i];
            SCOPED_TRACE(std::string(it.idName));
            QWidget *w = built.inOrder[i];
            if (it.kind == ControlKind::SerialComm) {
                EXPECT_EQ(it.id, IDC_COMM_CTRL);
                EXPECT_EQ(w, nullptr); // draws nothing
                continue;
            }
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->property("controlId").toInt(), it.id);
            if (it.id != IDC_STATIC) {
                EXPECT_EQ(panel.GetDlgItem(it.id), w);
            }
            const QRect rect = units.toPixels(it.x, it.y, it.cx, it.cy);
            if (it.kind == ControlKind::ComboBox)
                EXPECT_EQ(w->geometry().topLeft(), rect.topLeft()) << "width " << w->width();
            else
                EXPECT_EQ(w->geometry(), rect);
            if (auto *button = qobject_cast<QPushButton *>(w)) {
                EXPECT_EQ(button->text().toStdString(), std::string(it.text));
                EXPECT_FALSE(button->isDefault());
                EXPECT_FALSE(button->autoDefault());
            }
            if (auto *label = qobject_cast<QLabel *>(w)) {
                EXPECT_EQ(label->text().toStdString(), std::string(it.text));
            }
            if (it.style & DialogStyle::wsTabStop)
                tabStops.push_back(w);
        }
        // The tab order is the template's: Tab from each tab stop reaches the next.
        ASSERT_EQ(tabStops.size(), 20u);
        QWidget *w = tabStops.front();
        for (std::size_t i = 1; i < tabStops.size(); ++i) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() ||
                   (w->parentWidget() != &panel));
            EXPECT_EQ(w, tabStops[i]) << "after " << i;
        }
    });
}

TEST_F(PanelTest, HoldToMoveButtonsSendTheirFrameOnPressAndStopOnRelease)
{
    struct Case
    {
        int id;
        const char *press;
    };
    const Case cases[] = {
        {IDC_ZOOM_PLUS, "FF 01 00 20 00 00 21"},  {IDC_ZOOM_MINUS, "FF 01 00 40 00 00 41"},
        {IDC_FOCUS_PLUS, "FF 01 00 80 00 00 81"}, {IDC_FOCUS_MINUS, "FF 01 01 00 00 00 02"},
        {IDC_UP, "FF 01 00 08 00 3F 48"},         {IDC_DOWN, "FF 01 00 10 00 3F 50"},
        {IDC_LEFT, "FF 01 00 04 3F 00 44"},       {IDC_RIGHT, "FF 01 00 02 3F 00 42"},
    };
    run([&] {
        comm->open = true;
        for (const Case &c : cases) {
            SCOPED_TRACE(c.id);
            comm->outputs.clear();
            QTest::mousePress(item(c.id), Qt::LeftButton);
            EXPECT_THAT(outputsHex(*comm), ElementsAre(c.press));
            // Held: more events reach the button, nothing more is sent.
            QTest::mouseMove(item(c.id), QPoint(3, 3));
            EXPECT_EQ(comm->outputs.size(), 1u);
            QTest::mouseRelease(item(c.id), Qt::LeftButton);
            EXPECT_THAT(outputsHex(*comm), ElementsAre(c.press, "FF 01 00 00 00 00 01"));
        }
        // The stop frame goes to whatever address the box holds at the release.
        comm->outputs.clear();
        QTest::mousePress(item(IDC_UP), Qt::LeftButton);
        item<QLineEdit>(IDC_ADDRESS)->setText("2");
        QTest::mouseRelease(item(IDC_UP), Qt::LeftButton);
        EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 08 00 3F 48", "FF 02 00 00 00 00 02"));
    });
    EXPECT_THAT(reports, IsEmpty());
}

TEST_F(PanelTest, AReleaseAfterDraggingOffTheButtonStillStops)
{
    run([&] {
        comm->open = true;
        QWidget *up = item(IDC_UP);
        QTest::mousePress(up, Qt::LeftButton);
        QTest::mouseMove(up, QPoint(-40, -40));
        QTest::mouseRelease(up, Qt::LeftButton, {}, QPoint(-40, -40));
        EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 08 00 3F 48", "FF 01 00 00 00 00 01"));
    });
}

TEST_F(PanelTest, OnlyLeftPressesAndReleasesOnTheEightButtonsCount)
{
    run([&] {
        comm->open = true;
        QWidget *up = item(IDC_UP);
        // Right and middle buttons.
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mousePress(up, button);
            QTest::mouseRelease(up, button);
        }
        // The keyboard on a hold-to-move button: space clicks it, which sends nothing.
        up->setFocus();
        QTest::keyClick(up, Qt::Key_Space);
        QTest::keyClick(up, Qt::Key_Return);
        // The inert buttons, the labels, the edit box, the panel itself.
        for (int id : {IDC_CENTER, IDC_LEFT_UP, IDC_RIGHT_UP, IDC_LEFT_DOWN, IDC_RIGHT_DOWN,
                       IDC_ADDRESS_LABEL, IDC_PRESET_LABEL, IDC_ADDRESS}) {
            QTest::mousePress(item(id), Qt::LeftButton);
            QTest::mouseRelease(item(id), Qt::LeftButton);
        }
        QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_THAT(comm->outputs, IsEmpty());
        EXPECT_TRUE(panel.isVisible());

        // A double press: the second press arrives as a double click and sends nothing.
        QTest::mousePress(up, Qt::LeftButton);
        QTest::mouseRelease(up, Qt::LeftButton);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), up->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(up, &dbl);
        QTest::mouseRelease(up, Qt::LeftButton);
        EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 08 00 3F 48", "FF 01 00 00 00 00 01",
                                                   "FF 01 00 00 00 00 01"));
    });
}

// What the line sees while the port is closed, open, closed again by a failed reopen and open
// once more: the buttons follow the port's state at each press and release, never an earlier
// one. The real control on a pseudo-terminal as COM1; COM2 names no device.
TEST_F(PanelTest, TheButtonsSendOnTheLineOnlyWhileThePortIsOpen)
{
    PtyPair line;
    enableControlContainer([&]() -> std::unique_ptr<CMSComm> {
        return std::make_unique<SerialControl>([&](int n) -> std::optional<QString> {
            if (n != 1)
                return std::nullopt;
            return QString::fromStdString(line.slavePath());
        });
    });
    FakePortSource twoPorts{{"COM1 (pts)", "COM2 (gone)"}};
    panel.setPortSource(&twoPorts);
    const auto pressAll = [&] {
        for (const HoldToMoveButton &b : holdToMoveButtons()) {
            QTest::mousePress(item(b.controlId), Qt::LeftButton);
            QTest::mouseRelease(item(b.controlId), Qt::LeftButton);
        }
    };
    const auto choose = [&](int listId) {
        item(listId)->setFocus();
        QTest::keyClick(item(listId), Qt::Key_Down);
    };
    run([&] {
        pressAll();
        EXPECT_EQ(hex(line.readUntilQuiet(100)), "") << "never opened";

        choose(IDC_PORT_LIST); // COM1
        ASSERT_THAT(reports, IsEmpty());
        pressAll();
        std::string frames;
        for (const HoldToMoveButton &b : holdToMoveButtons()) {
            const PtzCommand &p = b.press;
            frames += pelco::toHex(makeFrame(1, p.command1, p.command2, p.data1, p.data2).bytes()) +
                      " FF 01 00 00 00 00 01 ";
        }
        frames.pop_back();
        EXPECT_EQ(hex(line.read(8 * 14)), frames);

        choose(IDC_PORT_LIST); // COM2: COM1 is closed, and COM2 cannot be opened
        ASSERT_EQ(reports.size(), 1u);
        pressAll();
        EXPECT_EQ(hex(line.readUntilQuiet(100)), "") << "closed by the failed reopen";
        EXPECT_EQ(reports.size(), 1u) << "a closed port is no error for the buttons";

        item<QComboBox>(IDC_PORT_LIST)->setFocus();
        QTest::keyClick(item(IDC_PORT_LIST), Qt::Key_Up); // COM1 again
        QTest::mousePress(item(IDC_UP), Qt::LeftButton);
        QTest::mouseRelease(item(IDC_UP), Qt::LeftButton);
        EXPECT_EQ(hex(line.read(14)), "FF 01 00 08 00 3F 48 FF 01 00 00 00 00 01");
    });
}

TEST_F(PanelTest, TheHookNeverConsumesAnEvent)
{
    run([&] {
        comm->open = true;
        auto *up = item<QPushButton>(IDC_UP);
        QTest::mousePress(up, Qt::LeftButton);
        EXPECT_TRUE(up->isDown()); // the press went on to the button
        QTest::mouseRelease(up, Qt::LeftButton);
        EXPECT_FALSE(up->isDown());
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        EXPECT_FALSE(panel.hook()->eventFilter(up, &press));
    });
}

TEST_F(PanelTest, PresetButtonsSendTheirFramesOnClick)
{
    struct Case
    {
        int id;
        const char *preset;
        std::vector<std::string> frames;
    };
    const Case cases[] = {
        {IDC_GOTO_PRESET, "1", {"FF 01 00 07 00 01 09"}},
        {IDC_SET_PRESET, "1", {"FF 01 00 03 00 01 05"}},
        {IDC_GOTO_PRESET, "300", {"FF 01 00 07 00 2C 34"}},
        {IDC_GOTO_PRESET, "-1", {"FF 01 00 07 00 FF 07"}},
        {IDC_SAVE, "77", {"FF 01 00 07 00 82 8A", "FF 01 00 03 00 82 86"}},
    };
    run([&] {
        comm->open = true;
        for (const Case &c : cases) {
            SCOPED_TRACE(std::to_string(c.id) + " " + c.preset);
            comm->outputs.clear();
            item<QLineEdit>(IDC_PRESET_NUMBER)->setText(c.preset);
            // The press alone sends nothing; the click does.
            QTest::mousePress(item(c.id), Qt::LeftButton);
            EXPECT_THAT(comm->outputs, IsEmpty());
            QTest::mouseRelease(item(c.id), Qt::LeftButton);
            EXPECT_EQ(outputsHex(*comm), c.frames);
        }
    });
    EXPECT_THAT(reports, IsEmpty());
}

TEST_F(PanelTest, EnterOrSpaceOnAFocusedPresetButtonClicksIt)
{
    const int result = run([&] {
        comm->open = true;
        // Shift and Ctrl do not change what Enter does.
        const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
            {Qt::Key_Space, Qt::NoModifier},
            {Qt::Key_Return, Qt::NoModifier},
            {Qt::Key_Enter, Qt::KeypadModifier},
            {Qt::Key_Return, Qt::ShiftModifier},
            {Qt::Key_Return, Qt::ControlModifier},
            {Qt::Key_Enter, Qt::KeypadModifier | Qt::ShiftModifier},
        };
        for (const auto &[key, modifiers] : keys) {
            SCOPED_TRACE(testing::Message() << key << " with " << modifiers.toInt());
            comm->outputs.clear();
            item(IDC_GOTO_PRESET)->setFocus();
            QTest::keyClick(item(IDC_GOTO_PRESET), key, modifiers);
            EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 07 00 01 09"));
            EXPECT_TRUE(panel.isVisible());
        }
        // Enter on an inert button clicks it too: nothing is sent and the panel stays.
        comm->outputs.clear();
        item(IDC_CENTER)->setFocus();
        QTest::keyClick(item(IDC_CENTER), Qt::Key_Return);
        EXPECT_THAT(comm->outputs, IsEmpty());
        EXPECT_TRUE(panel.isVisible());
    });
    EXPECT_EQ(result, 99);
}

TEST_F(PanelTest, APresetRefusedOnAClosedPortIsReportedOnceAndSaveStopsThere)
{
    run([&] {
        QTest::mouseClick(item(IDC_GOTO_PRESET), Qt::LeftButton);
        EXPECT_EQ(comm->count("put Output"), 1u);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, "The port is not open");

        reports.clear();
        comm->log.clear();
        QTest::mouseClick(item(IDC_SAVE), Qt::LeftButton);
        EXPECT_THAT(comm->log, ElementsAre("put Output FF 01 00 07 00 82 8A"));
        EXPECT_EQ(reports.size(), 1u);
        EXPECT_TRUE(panel.isVisible());
    });
}

TEST_F(PanelTest, ChoosingAPortOpensItAtTheBaudListsRate)
{
    run([&] {
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        portList->setFocus();
        QTest::keyClick(portList, Qt::Key_Down); // the operator picks the first item
        EXPECT_EQ(portList->currentText(), "COM1 (ttyS0)");
        EXPECT_EQ(takeLog(), withPortOpenFirst(false, openAt9600));

        // Another baud rate closes the same port and opens it again at that rate.
        auto *baudList = item<QComboBox>(IDC_BAUD_LIST);
        baudList->setFocus();
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(baudList, Qt::Key_Down);
        EXPECT_EQ(baudList->currentText(), "115200");
        const auto log = takeLog();
        ASSERT_EQ(log.size(), 5u * 13u);
        std::vector<std::string> last(log.end() - 13, log.end());
        auto expected = openAt9600;
        expected[1] = "put Settings 115200,n,8,1";
        expected.insert(expected.begin(), "put PortOpen false");
        EXPECT_EQ(last, withPortOpenFirst(true, expected));
    });
}

TEST_F(PanelTest, ChoosingFromTheDroppedListOpensThePort)
{
    run([&] {
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        portList->showPopup();
        QAbstractItemView *view = portList->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        view->setCurrentIndex(view->model()->index(3, 0));
        QTest::keyClick(view, Qt::Key_Return);
        EXPECT_EQ(portList->currentText(), "COM3 (ttyUSB0)");
        EXPECT_TRUE(panel.isVisible()); // Enter in the open list chooses; it does not end
        auto expected = openAt9600;
        expected[0] = "put CommPort 3";
        EXPECT_EQ(takeLog(), withPortOpenFirst(false, expected));
    });
}

TEST_F(PanelTest, ProgrammaticSelectionAndTypingOpenNothing)
{
    const int result = run([&] {
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        auto *baudList = item<QComboBox>(IDC_BAUD_LIST);
        // A baud choice while the port list has no selection opens nothing.
        baudList->setFocus();
        QTest::keyClick(baudList, Qt::Key_Down);
        EXPECT_EQ(baudList->currentText(), "19200");
        // The program's own selection is no choice.
        portList->setCurrentIndex(1);
        portList->setCurrentIndex(-1);
        // Nothing completes typed text into an item.
        EXPECT_EQ(portList->completer(), nullptr);
        EXPECT_EQ(baudList->completer(), nullptr);
        // Typing an item's text, then leaving the field, opens and selects nothing.
        portList->setFocus();
        QTest::keyClicks(portList, "COM2 (ttyS1)");
        EXPECT_EQ(portList->currentText(), "COM2 (ttyS1)");
        QTest::keyClick(portList, Qt::Key_Tab);
        EXPECT_EQ(panel.focusWidget(), item(IDC_FOCUS_PLUS));
        EXPECT_EQ(portList->currentIndex(), -1);
        EXPECT_EQ(portList->count(), 4);
        baudList->setFocus();
        baudList->lineEdit()->selectAll();
        QTest::keyClicks(baudList, "2400");
        QTest::keyClick(baudList, Qt::Key_Tab);
        // Edited, the list has no selection, though the text is an item's.
        EXPECT_EQ(baudList->currentIndex(), -1);
        EXPECT_EQ(baudList->currentText(), "2400");
        EXPECT_EQ(baudList->count(), 8);
        EXPECT_THAT(comm->log, IsEmpty());
        // Typing a name and pressing Enter ends the panel as OK; still nothing opened.
        portList->setFocus();
        portList->lineEdit()->selectAll();
        QTest::keyClicks(portList, "COM1 (ttyS0)");
        QTest::keyClick(portList, Qt::Key_Return);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_THAT(comm->log, IsEmpty());
    EXPECT_EQ(item<QComboBox>(IDC_PORT_LIST)->count(), 4);
}

TEST_F(PanelTest, AListEditedByTypingHasNoSelectionSoTheOtherListOpensNothing)
{
    run([&] {
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        auto *baudList = item<QComboBox>(IDC_BAUD_LIST);
        portList->setFocus();
        QTest::keyClick(portList, Qt::Key_Down); // COM1 at 9600
        ASSERT_EQ(takeLog(), withPortOpenFirst(false, openAt9600));

        baudList->setFocus();
        baudList->lineEdit()->selectAll();
        QTest::keyClicks(baudList, "2400");
        EXPECT_EQ(baudList->currentIndex(), -1);
        // A choice in the port list: both selections are asked for, and with none in the baud
        // list nothing more happens: COM1 stays open, COM10 is not opened.
        portList->setFocus();
        QTest::keyClick(portList, Qt::Key_Down);
        EXPECT_EQ(portList->currentText(), "COM10 (pts/2)");
        EXPECT_THAT(takeLog(), IsEmpty());
        EXPECT_TRUE(comm->open);
        EXPECT_EQ(baudList->currentText(), "2400") << "the typed text stays";

        // The next choice in the edited list selects again, and opens what is shown.
        baudList->setFocus();
        QTest::keyClick(baudList, Qt::Key_Down);
        EXPECT_EQ(baudList->currentIndex(), 0);
        auto expected = openAt9600;
        expected[0] = "put CommPort 10";
        expected[1] = "put Settings 2400,n,8,1";
        expected.insert(expected.begin(), "put PortOpen false");
        EXPECT_EQ(takeLog(), withPortOpenFirst(true, expected));

        // Editing the port list's text: a baud choice opens nothing either. (A choice leaves
        // the whole text selected; End goes to its end.)
        portList->setFocus();
        QTest::keyClick(portList, Qt::Key_End);
        QTest::keyClick(portList, Qt::Key_Backspace);
        EXPECT_EQ(portList->currentIndex(), -1);
        EXPECT_EQ(portList->currentText(), "COM10 (pts/2");
        baudList->setFocus();
        QTest::keyClick(baudList, Qt::Key_Down);
        EXPECT_EQ(baudList->currentText(), "4800");
        EXPECT_THAT(takeLog(), IsEmpty());
    });
    EXPECT_THAT(reports, IsEmpty());
}

TEST_F(PanelTest, TheWheelMovesOnlyTheFocusedList)
{
    const auto wheel = [](QWidget *list, int notches) {
        const QPointF pos(5, 5);
        QWheelEvent event(pos, list->mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &event);
    };
    run([&] {
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        auto *baudList = item<QComboBox>(IDC_BAUD_LIST);
        portList->setFocus();
        QTest::keyClick(portList, Qt::Key_Down); // COM1 at 9600
        takeLog();

        // Over a list without the focus, whatever has it, a turn changes nothing.
        for (int focus : {IDC_ZOOM_PLUS, IDC_ADDRESS, IDC_PORT_LIST}) {
            SCOPED_TRACE(focus);
            item(focus)->setFocus();
            wheel(baudList, -1);
            wheel(baudList, 1);
            if (focus != IDC_PORT_LIST)
                wheel(portList, -1);
            EXPECT_EQ(baudList->currentText(), "9600");
            EXPECT_EQ(portList->currentText(), "COM1 (ttyS0)");
            EXPECT_EQ(panel.focusWidget(), item(focus));
            EXPECT_THAT(takeLog(), IsEmpty());
        }

        // Over the focused list a notch steps it, and that is a choice.
        baudList->setFocus();
        wheel(baudList, -1);
        EXPECT_EQ(baudList->currentText(), "19200");
        auto expected = openAt9600;
        expected[1] = "put Settings 19200,n,8,1";
        expected.insert(expected.begin(), "put PortOpen false");
        EXPECT_EQ(takeLog(), withPortOpenFirst(true, expected));
    });
}

TEST_F(PanelTest, TheMenuKeysOpenThePanelsMenuWhereverTheFocusIs)
{
    struct Key
    {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {
        {"Alt+Space", Qt::Key_Space, Qt::AltModifier},
        {"Menu", Qt::Key_Menu, Qt::NoModifier},
        {"Shift+F10", Qt::Key_F10, Qt::ShiftModifier},
    };
    run([&] {
        QMenu *menu = panel.systemMenu();
        ASSERT_NE(menu, nullptr);
        comm->open = true;
        const int focuses[] = {IDC_ZOOM_PLUS, IDC_UP, IDC_ADDRESS, IDC_PORT_LIST, IDC_BAUD_LIST};
        for (const Key &k : keys) {
            for (int focus : focuses) {
                SCOPED_TRACE(std::string(k.name) + " on " + std::to_string(focus));
                item(focus)->setFocus();
                QTest::keyClick(item(focus), k.key, k.modifiers);
                EXPECT_TRUE(menu->isVisible());
                menu->hide();
                EXPECT_EQ(panel.focusWidget(), item(focus));
            }
        }
        // On X the Menu key first comes as the focused control's context menu request: that
        // too is the panel's menu, not a text field's own.
        for (int focus : focuses) {
            SCOPED_TRACE(focus);
            item(focus)->setFocus();
            QWidget *target = QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            const QPoint centre = target->rect().center();
            QContextMenuEvent request(QContextMenuEvent::Keyboard, centre,
                                      target->mapToGlobal(centre));
            QApplication::sendEvent(target, &request);
            EXPECT_EQ(QApplication::activePopupWidget(), menu);
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        }
        // Nothing else happened: no frame, no list change, no text typed.
        EXPECT_THAT(comm->log, IsEmpty());
        EXPECT_EQ(item<QComboBox>(IDC_BAUD_LIST)->currentText(), "9600");
        EXPECT_EQ(item<QComboBox>(IDC_PORT_LIST)->currentText(), "");
        EXPECT_EQ(item<QLineEdit>(IDC_ADDRESS)->text(), "1");
        EXPECT_TRUE(panel.isVisible());
    });
}

TEST_F(PanelTest, KeyboardAndCloseBoxEndThePanel)
{
    struct Case
    {
        const char *name;
        int focus; // control id, 0 for the close box
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int result;
        bool portClosed;
    };
    const Case cases[] = {
        {"Enter in the address box", IDC_ADDRESS, Qt::Key_Return, Qt::NoModifier, IDOK, false},
        {"keypad Enter in the preset box", IDC_PRESET_NUMBER, Qt::Key_Enter, Qt::KeypadModifier,
         IDOK, false},
        {"Enter in the port list", IDC_PORT_LIST, Qt::Key_Return, Qt::NoModifier, IDOK, false},
        {"Enter in the baud list", IDC_BAUD_LIST, Qt::Key_Return, Qt::NoModifier, IDOK, false},
        {"Esc on a button", IDC_UP, Qt::Key_Escape, Qt::NoModifier, IDCANCEL, false},
        {"Esc in the port list", IDC_PORT_LIST, Qt::Key_Escape, Qt::NoModifier, IDCANCEL, false},
        {"Esc in the address box", IDC_ADDRESS, Qt::Key_Escape, Qt::NoModifier, IDCANCEL, false},
        // Shift and Ctrl do not change what Enter and Esc do; Alt makes them other keys.
        {"Shift+Enter in the address box", IDC_ADDRESS, Qt::Key_Return, Qt::ShiftModifier, IDOK,
         false},
        {"Ctrl+Enter in the preset box", IDC_PRESET_NUMBER, Qt::Key_Return, Qt::ControlModifier,
         IDOK, false},
        {"Shift+Enter in the port list", IDC_PORT_LIST, Qt::Key_Return, Qt::ShiftModifier, IDOK,
         false},
        {"Ctrl+keypad Enter in the baud list", IDC_BAUD_LIST, Qt::Key_Enter,
         Qt::ControlModifier | Qt::KeypadModifier, IDOK, false},
        {"Shift+Esc on a button", IDC_UP, Qt::Key_Escape, Qt::ShiftModifier, IDCANCEL, false},
        {"Shift+Esc in the address box", IDC_ADDRESS, Qt::Key_Escape, Qt::ShiftModifier, IDCANCEL,
         false},
        {"Shift+Esc in the baud list", IDC_BAUD_LIST, Qt::Key_Escape, Qt::ShiftModifier, IDCANCEL,
         false},
        {"Ctrl+Esc in the port list", IDC_PORT_LIST, Qt::Key_Escape, Qt::ControlModifier, IDCANCEL,
         false},
        {"Alt+Enter in the address box", IDC_ADDRESS, Qt::Key_Return, Qt::AltModifier, 99, false},
        {"Alt+Enter in the port list", IDC_PORT_LIST, Qt::Key_Return, Qt::AltModifier, 99, false},
        {"Alt+F4", IDC_UP, Qt::Key_F4, Qt::AltModifier, IDCANCEL, true},
        {"the close box", 0, Qt::Key_unknown, Qt::NoModifier, IDCANCEL, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CPtzControlDlg dlg;
        dlg.setPortSource(&ports);
        QTimer::singleShot(0, &dlg, [&] {
            comm->open = true;
            if (c.focus == 0) {
                dlg.close();
            } else {
                QWidget *w = dlg.GetDlgItem(c.focus);
                w->setFocus();
                QTest::keyClick(w, c.key, c.modifiers);
            }
            if (dlg.isVisible())
                dlg.done(99);
        });
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(comm->count("put PortOpen false"), c.portClosed ? 1u : 0u);
        EXPECT_EQ(comm->open, !c.portClosed);
    }
}

// A hold that ends without its release: every way the panel ends sends the stop frame once,
// before the port closes where the way closes it; Esc reaches the panel even though the held
// button would take it. With no motion in progress the same ways send nothing.
TEST_F(PanelTest, EveryWayThePanelEndsStopsAHeldButtonFirst)
{
    struct Case
    {
        const char *name;
        int held;  // the button held down
        int focus; // where the key goes: control id, 0 for the close box
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int result;
        bool portClosed;
    };
    const Case cases[] = {
        {"Esc on the held button", IDC_UP, IDC_UP, Qt::Key_Escape, Qt::NoModifier, IDCANCEL, false},
        {"Esc on a held preset button", IDC_GOTO_PRESET, IDC_GOTO_PRESET, Qt::Key_Escape,
         Qt::NoModifier, IDCANCEL, false},
        {"Enter in the address box", IDC_UP, IDC_ADDRESS, Qt::Key_Return, Qt::NoModifier, IDOK,
         false},
        {"Alt+F4", IDC_UP, IDC_UP, Qt::Key_F4, Qt::AltModifier, IDCANCEL, true},
        {"the close box", IDC_UP, 0, Qt::Key_unknown, Qt::NoModifier, IDCANCEL, true},
    };
    const std::string up = "FF 01 00 08 00 3F 48";
    const std::string stop = "FF 01 00 00 00 00 01";
    for (const bool released : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (released ? ", released first" : ", held"));
            CPtzControlDlg dlg;
            dlg.setPortSource(&ports);
            QTimer::singleShot(0, &dlg, [&] {
                comm->open = true;
                QWidget *button = dlg.GetDlgItem(c.held);
                QTest::mousePress(button, Qt::LeftButton);
                if (released)
                    QTest::mouseRelease(button, Qt::LeftButton);
                if (c.focus == 0) {
                    dlg.close();
                } else {
                    QWidget *w = dlg.GetDlgItem(c.focus);
                    w->setFocus();
                    QTest::keyClick(w, c.key, c.modifiers);
                }
                if (dlg.isVisible())
                    dlg.done(99);
            });
            EXPECT_EQ(dlg.DoModal(), c.result);
            // Held or released first, one stop frame after "UP"'s motion; "GO TO" sends on its
            // click only.
            if (c.held == IDC_UP)
                EXPECT_THAT(outputsHex(*comm), ElementsAre(up, stop));
            else if (released)
                EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 07 00 01 09"));
            else
                EXPECT_THAT(outputsHex(*comm), IsEmpty());
            EXPECT_EQ(comm->count("put PortOpen false"), c.portClosed ? 1u : 0u);
            if (c.portClosed) {
                const auto at = [&](const std::string &line) {
                    return std::find(comm->log.begin(), comm->log.end(), line) - comm->log.begin();
                };
                EXPECT_LT(at("put Output " + stop), at("put PortOpen false"));
            }
            EXPECT_THAT(reports, IsEmpty());
        }
    }
}

// A window that takes the mouse or the activation from the held button: the stop frame goes
// out at once, and once; the panel runs on, and a release that still reaches the button sends
// its own. A stop frame that fails is reported like the hook's own errors.
TEST_F(PanelTest, AWindowThatTakesTheMouseOrTheActivationStopsTheHold)
{
    struct Case
    {
        const char *name;
        std::function<void()> take;
    };
    std::unique_ptr<QWidget> other;
    std::unique_ptr<QMessageBox> box;
    const Case cases[] = {
        {"the panel's menu",
         [&] {
             panel.showSystemMenu(panel.mapToGlobal(QPoint(0, 0)));
             EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget(); }));
         }},
        {"a dropped list", [&] { item<QComboBox>(IDC_BAUD_LIST)->showPopup(); }},
        {"a modal box over the panel",
         [&] {
             box = std::make_unique<QMessageBox>(QMessageBox::Information, "tarn", "text",
                                                 QMessageBox::Ok, &panel);
             box->setWindowModality(Qt::ApplicationModal);
             box->show();
         }},
        {"another window takes the activation",
         [&] {
             other = std::make_unique<QWidget>(&panel, Qt::Window);
             other->show();
             EXPECT_TRUE(QTest::qWaitForWindowExposed(other.get()));
             other->activateWindow();
             EXPECT_TRUE(
                 QTest::qWaitFor([&] { return QApplication::activeWindow() == other.get(); }));
         }},
    };
    run([&] {
        comm->open = true;
        QWidget *up = item(IDC_UP);
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            comm->outputs.clear();
            QTest::mousePress(up, Qt::LeftButton);
            c.take();
            EXPECT_THAT(outputsHex(*comm),
                        ElementsAre("FF 01 00 08 00 3F 48", "FF 01 00 00 00 00 01"));
            while (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            box.reset();
            other.reset();
            panel.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&panel));
            EXPECT_EQ(comm->outputs.size(), 2u) << "once";
            QTest::mouseRelease(up, Qt::LeftButton);
            EXPECT_EQ(comm->outputs.size(), 3u) << "the release's own";
        }
        EXPECT_TRUE(panel.isVisible());
        EXPECT_THAT(reports, IsEmpty());

        // The stop frame refused: one report, after the event, and the panel runs on.
        QTest::mousePress(up, Qt::LeftButton);
        comm->failOn("put Output", "COM1: the device has gone");
        item<QComboBox>(IDC_BAUD_LIST)->showPopup();
        EXPECT_THAT(reports, IsEmpty());
        QCoreApplication::processEvents();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, "COM1: the device has gone");
        EXPECT_TRUE(panel.isVisible());
    });
}

TEST_F(PanelTest, AFailingCloseKeepsThePanelOpen)
{
    const int result = run([&] {
        comm->open = true;
        comm->failOn("put PortOpen false", "COM1 could not be closed");
        panel.close();
        EXPECT_TRUE(panel.isVisible());
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, "COM1 could not be closed");
        // The close box again, now with a close that works.
        panel.close();
        EXPECT_FALSE(panel.isVisible());
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(PanelTest, AFailingOpenIsReportedAndThePanelStays)
{
    run([&] {
        comm->failOn("put PortOpen true", "COM1 is in use by another program");
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        portList->setFocus();
        QTest::keyClick(portList, Qt::Key_Down);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, "COM1 is in use by another program");
        EXPECT_EQ(reports[0].owner, &panel);
        EXPECT_TRUE(panel.isVisible());
        EXPECT_FALSE(comm->open);
    });
}

TEST_F(PanelTest, TheErrorReportIsAStopBoxCaptionedWithTheTitleAndCutTo511)
{
    const std::string longText = std::string(600, 'x');
    run([&] {
        comm->failOn("put Output", longText);
        QTest::mouseClick(item(IDC_SET_PRESET), Qt::LeftButton);
    });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].icon, QMessageBox::Critical);
    EXPECT_EQ(reports[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(reports[0].caption, "panel_tests"); // this executable's file name
    EXPECT_EQ(reports[0].text, QString(511, 'x'));
    EXPECT_EQ(reports[0].owner, &panel);

    EXPECT_EQ(errorText(QString(511, 'y')), QString(511, 'y'));
    // Never half of a character outside the basic plane.
    const QString emoji = QString(510, 'z') + QString::fromUtf8("\xF0\x9F\x93\xB7") + "tail";
    EXPECT_EQ(errorText(emoji), QString(510, 'z'));
}

TEST_F(PanelTest, TheRealReporterShowsAMessageBoxOwnedByThePanel)
{
    setErrorReporter({});
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget *owner = nullptr;
    run([&] {
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            owner = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(item(IDC_GOTO_PRESET), Qt::LeftButton);
        EXPECT_TRUE(panel.isVisible());
    });
    EXPECT_EQ(title, "panel_tests");
    EXPECT_EQ(text, "The port is not open");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(owner, &panel);
}

// An error inside the hook (the adapter unplugged, then a button pressed) is reported like
// every other error, and the panel keeps running.
TEST_F(PanelTest, AnErrorWhileHoldingAButtonIsReportedAndThePanelRuns)
{
    const int result = run([&] {
        comm->open = true;
        comm->failOn("put Output", "The device /dev/ttyUSB0 is gone");
        auto *up = item<QPushButton>(IDC_UP);
        QTest::mousePress(up, Qt::LeftButton);
        EXPECT_TRUE(up->isDown()); // the press still reached the button
        // While the report waits and while its box is up, the hook sends nothing.
        std::size_t outputsDuringReport = 99;
        onReport = [&] {
            const std::size_t before = comm->count("put Output");
            QTest::mousePress(item(IDC_DOWN), Qt::LeftButton);
            QTest::mouseRelease(item(IDC_DOWN), Qt::LeftButton);
            outputsDuringReport = comm->count("put Output") - before;
        };
        QTest::mouseRelease(up, Qt::LeftButton);
        EXPECT_EQ(comm->count("put Output"), 1u);
        EXPECT_THAT(reports, IsEmpty());
        QCoreApplication::processEvents();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text, "The device /dev/ttyUSB0 is gone");
        EXPECT_EQ(reports[0].icon, QMessageBox::Critical);
        EXPECT_EQ(reports[0].owner, &panel);
        EXPECT_EQ(outputsDuringReport, 0u);
        EXPECT_TRUE(panel.isVisible());
        // Afterwards the buttons work again.
        onReport = nullptr;
        comm->outputs.clear();
        QTest::mousePress(up, Qt::LeftButton);
        QTest::mouseRelease(up, Qt::LeftButton);
        EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 08 00 3F 48", "FF 01 00 00 00 00 01"));
        // Reading PortOpen may fail as well.
        comm->failOn("get PortOpen", "The control failed");
        QTest::mousePress(up, Qt::LeftButton);
        QTest::mouseRelease(up, Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_EQ(reports.size(), 2u);
    });
    EXPECT_EQ(result, 99);
}

// The same fault with the real message box and the input coming through the window system
// (Qt's own path from the platform, where a modal box blocks the window under it): one box; the
// release made under it sends nothing and does not leave the button pressed; once the box is
// closed the next press and release send their two frames.
TEST_F(PanelTest, AFailedPressShowsOneRealBoxAndLeavesTheButtonUp)
{
    setErrorReporter({});
    run([&] {
        comm->open = true;
        comm->failOn("put Output", "Writing to COM1 failed: the device is gone");
        auto *up = item<QPushButton>(IDC_UP);
        QWindow *window = panel.windowHandle();
        ASSERT_NE(window, nullptr);
        const QPoint onUp = up->mapTo(&panel, up->rect().center());

        int boxes = -1;
        QString text;
        std::size_t writesUnderTheBox = 99;
        bool downUnderTheBox = true;
        bool closed = false;
        QTimer whileTheBoxIsUp;
        whileTheBoxIsUp.setInterval(10);
        QObject::connect(&whileTheBoxIsUp, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || closed || !box->isVisible())
                return;
            closed = true;
            boxes = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                boxes += qobject_cast<QMessageBox *>(w) != nullptr && w->isVisible();
            text = box->text();
            const std::size_t before = comm->count("put Output");
            QTest::mouseRelease(window, Qt::LeftButton, {}, onUp);
            writesUnderTheBox = comm->count("put Output") - before;
            downUnderTheBox = up->isDown();
            QWidget *ok = box->button(QMessageBox::Ok);
            QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                              ok->mapTo(box, ok->rect().center()));
        });
        whileTheBoxIsUp.start();
        QTest::mousePress(window, Qt::LeftButton, {}, onUp);
        QElapsedTimer clock;
        clock.start();
        while (!closed && clock.elapsed() < 10000)
            QTest::qWait(20);
        whileTheBoxIsUp.stop();
        ASSERT_TRUE(closed) << "no message box";
        QTest::qWait(20);

        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(text, "Writing to COM1 failed: the device is gone");
        EXPECT_EQ(writesUnderTheBox, 0u);
        EXPECT_FALSE(downUnderTheBox);
        EXPECT_EQ(QApplication::activeModalWidget(), &panel) << "the box is gone";
        EXPECT_FALSE(up->isDown());
        EXPECT_EQ(comm->count("put Output"), 1u) << "only the failed press";

        comm->outputs.clear();
        QTest::mousePress(window, Qt::LeftButton, {}, onUp);
        EXPECT_TRUE(up->isDown());
        QTest::mouseRelease(window, Qt::LeftButton, {}, onUp);
        EXPECT_FALSE(up->isDown());
        EXPECT_THAT(outputsHex(*comm), ElementsAre("FF 01 00 08 00 3F 48", "FF 01 00 00 00 00 01"));
        EXPECT_TRUE(panel.isVisible());
    });
}

TEST_F(PanelTest, TheControlsEventDrainsWhatWaitsAndDropsErrors)
{
    run([&] {
        comm->pendingInput = {0x01, 0x02, 0x03};
        comm->raiseEvent(comEvReceive);
        EXPECT_THAT(takeLog(), ElementsAre("get CommEvent 2", "get Input 3 bytes"));
        comm->raiseEvent(3);
        EXPECT_THAT(takeLog(), ElementsAre("get CommEvent 3"));
        comm->failOn("get Input");
        comm->raiseEvent(comEvReceive);
        EXPECT_THAT(reports, IsEmpty());
        EXPECT_TRUE(panel.isVisible());
    });
}

TEST_F(PanelTest, TheSystemMenuEndsWithTheAboutEntry)
{
    run([&] {
        QMenu *menu = panel.systemMenu();
        ASSERT_NE(menu, nullptr);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QString("-") : action->text());
        EXPECT_EQ(texts, QStringList({"&Move", "&Close\tAlt+F4", "-", "&About Tarn..."}));

        // Alt+Space opens it.
        QTest::keyClick(item(IDC_ZOOM_PLUS), Qt::Key_Space, Qt::AltModifier);
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
        EXPECT_THAT(comm->log, IsEmpty()); // Alt+Space did not press the button

        // A right click on the background opens it, one on a control does not.
        QContextMenuEvent onButton(QContextMenuEvent::Mouse, QPoint(5, 5),
                                   item(IDC_UP)->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(item(IDC_UP), &onButton);
        EXPECT_FALSE(menu->isVisible());
        QContextMenuEvent onBackground(QContextMenuEvent::Mouse, QPoint(2, 2),
                                       panel.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&panel, &onBackground);
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
    });
}

TEST_F(PanelTest, TheAboutCommandRunsTheAboutBoxOverThePanel)
{
    run([&] {
        item<QLineEdit>(IDC_ADDRESS)->setText("7");
        for (int id : {IDM_ABOUTBOX, IDM_ABOUTBOX | 0x5}) {
            SCOPED_TRACE(id);
            bool sawAbout = false;
            QWidget *seenParent = nullptr;
            QTimer::singleShot(0, [&] {
                QWidget *seen = QApplication::activeModalWidget();
                sawAbout = dynamic_cast<CAboutDlg *>(seen) != nullptr;
                seenParent = seen ? seen->parentWidget() : nullptr;
                if (seen)
                    seen->close();
            });
            panel.OnSysCommand(id);
            EXPECT_TRUE(sawAbout);
            EXPECT_EQ(seenParent, &panel);
        }
        // The menu's entry leads there too.
        bool sawAbout = false;
        QTimer::singleShot(0, [&] {
            QWidget *seen = QApplication::activeModalWidget();
            sawAbout = dynamic_cast<CAboutDlg *>(seen) != nullptr;
            if (seen)
                seen->close();
        });
        panel.systemMenu()->actions().last()->trigger();
        EXPECT_TRUE(sawAbout);
        // The panel is as it was.
        EXPECT_TRUE(panel.isVisible());
        EXPECT_EQ(item<QLineEdit>(IDC_ADDRESS)->text(), "7");
        EXPECT_THAT(comm->log, IsEmpty());
    });
}

TEST_F(PanelTest, TheMenusCloseRunsTheClosePath)
{
    const int result = run([&] {
        comm->open = true;
        panel.systemMenu()->actions().at(1)->trigger();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(comm->count("put PortOpen false"), 1u);
}

TEST_F(PanelTest, NoSerialControlMeansNoWindow)
{
    struct Case
    {
        const char *name;
        std::function<void()> setUp;
    };
    const Case cases[] = {
        {"a factory that gives nothing",
         [] { enableControlContainer([] { return std::unique_ptr<CMSComm>(); }); }},
        {"a factory that raises",
         [] {
             enableControlContainer(
                 []() -> std::unique_ptr<CMSComm> { throw CommError("no control"); });
         }},
        {"no container", [] { disableControlContainer(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        CPtzControlDlg dlg;
        bool shown = false;
        QTimer::singleShot(0, &dlg, [&] {
            shown = dlg.isVisible();
            dlg.done(99);
        });
        EXPECT_EQ(dlg.DoModal(), -1);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.windowHandle(), nullptr); // no window was ever made
        EXPECT_EQ(dlg.comm(), nullptr);
        EXPECT_TRUE(dlg.controls().inOrder.empty());
        QCoreApplication::processEvents();
        EXPECT_FALSE(shown);
    }
    EXPECT_THAT(reports, IsEmpty());
}

TEST_F(PanelTest, ThePortListKeepsTextOrderWhateverTheSourceGives)
{
    FakePortSource unsorted{{"COM9 (b)", "com2 (x)", "COM2 (a)", "COM20 (c)", "COM2 (a)"}};
    panel.setPortSource(&unsorted);
    run([&] {
        EXPECT_EQ(itemsOf(*item<QComboBox>(IDC_PORT_LIST)),
                  QStringList({"COM2 (a)", "COM2 (a)", "com2 (x)", "COM20 (c)", "COM9 (b)"}));
        EXPECT_EQ(item<QComboBox>(IDC_PORT_LIST)->currentIndex(), -1);
    });
}

TEST_F(PanelTest, CarriesTheApplicationIconAndDrawsItCentredWhenMinimised)
{
    const QIcon icon = appIcon();
    if (icon.isNull())
        GTEST_SKIP() << "no application icon in this build";
    run([&] {
        const QImage expected =
            icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(panel.windowIcon()
                      .pixmap(QSize(32, 32))
                      .toImage()
                      .convertToFormat(QImage::Format_ARGB32),
                  expected);
        EXPECT_EQ(panel.OnQueryDragIcon().cacheKey(), panel.icon().cacheKey());

        const QPoint corner((panel.width() - 32 + 1) / 2, (panel.height() - 32 + 1) / 2);
        const auto iconShown = [&] {
            QImage image(panel.size(), QImage::Format_ARGB32);
            image.fill(Qt::white);
            // The panel's own painting; its controls lie over parts of the centre.
            panel.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            int opaque = 0;
            for (int y = 0; y < expected.height(); ++y)
                for (int x = 0; x < expected.width(); ++x)
                    if (qAlpha(expected.pixel(x, y)) == 255) {
                        ++opaque;
                        if (image.pixel(corner + QPoint(x, y)) != expected.pixel(x, y))
                            return false;
                    }
            return opaque > 0;
        };
        EXPECT_FALSE(iconShown());
        panel.setWindowState(Qt::WindowMinimized);
        ASSERT_TRUE(panel.isMinimized());
        EXPECT_TRUE(iconShown());
        panel.setWindowState(Qt::WindowNoState);
    });
}

TEST_F(PanelTest, TheDroppedListsTakeTheTemplatesHeightAndShowWholeNames)
{
    // Twenty ports, one name of the full 24 characters.
    std::vector<std::string> names;
    for (int n = 1; n <= 19; ++n)
        names.push_back("COM" + std::to_string(n) + " (ttyS" + std::to_string(n - 1) + ")");
    names.push_back("COM20 (usb-FTDI_~-port0)");
    FakePortSource many{names};
    panel.setPortSource(&many);
    run([&] {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        // The rows wholly in view of a dropped list, and whether it scrolls.
        const auto dropped = [&](QComboBox *list) {
            list->setFocus();
            list->showPopup();
            QAbstractItemView *view = list->view();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(view->window()));
            int rows = 0;
            for (int row = 0; row < list->count(); ++row) {
                const QRect rect = view->visualRect(list->model()->index(row, 0));
                if (view->viewport()->rect().contains(rect))
                    ++rows;
            }
            return rows;
        };
        // The baud list's 78 units hold its eight rates: none is scrolled out of view.
        auto *baudList = item<QComboBox>(IDC_BAUD_LIST);
        EXPECT_EQ(dropped(baudList), 8);
        baudList->hidePopup();

        // The port list's 133 units: the field and fifteen lines of the dialog font, give or
        // take the field's height here; more than Qt's ten rows.
        auto *portList = item<QComboBox>(IDC_PORT_LIST);
        const int rows = dropped(portList);
        EXPECT_GE(rows, 14);
        EXPECT_LE(rows, 15);
        QAbstractItemView *view = portList->view();
        const int longest =
            view->fontMetrics().horizontalAdvance(QStringLiteral("COM20 (usb-FTDI_~-port0)"));
        EXPECT_GT(longest, portList->width()) << "the field is narrower than the name";
        EXPECT_GE(view->viewport()->width(), longest) << "the name shows whole";
        portList->hidePopup();
    });
}
