// The drop-down lists the dialog builder makes, as real widgets on the offscreen platform:
// editing the field drops the selection, typing with the list dropped only highlights, the
// wheel acts only on the focused list.
#include "dropdowncombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {
const QStringList rates{"2400", "4800", "9600", "19200", "38400", "56000", "57600", "115200"};

class DropDownComboTest : public testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(400, 200);
        list->addItems(rates);
        list->setCurrentIndex(2);
        list->setGeometry(10, 10, 120, list->sizeHint().height());
        other->addItems({"COM1 (ttyS0)", "COM2 (ttyS1)"});
        other->setGeometry(150, 10, 120, other->sizeHint().height());
        button->setGeometry(10, 100, 80, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void openList()
    {
        list->setFocus();
        list->showPopup();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list->view()->window()));
    }

    int highlighted() const
    {
        const QModelIndex index = list->view()->currentIndex();
        return index.isValid() ? index.row() : -1;
    }

    // Notches of the wheel (down when notches < 0) over the list. Sent to the list itself: Qt
    // passes a wheel event on from the field to the list only when it came from the window
    // system (the end-to-end tests turn the real wheel over the field).
    static void wheel(DropDownCombo *combo, int notches)
    {
        const QPointF pos(5, 5);
        QWheelEvent event(pos, combo->mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &event);
    }

    QWidget window;
    DropDownCombo *list = new DropDownCombo(&window);
    DropDownCombo *other = new DropDownCombo(&window);
    QPushButton *button = new QPushButton(QStringLiteral("Zoom +"), &window);
    QSignalSpy choices{list, &QComboBox::activated};
};
} // namespace

TEST_F(DropDownComboTest, EditingTheFieldLeavesNoSelectionAndKeepsTheText)
{
    struct Case
    {
        const char *name;
        std::function<void(QLineEdit *)> edit;
        QString text;
        int cursor;
    };
    const Case cases[] = {
        {"typing over the text",
         [](QLineEdit *f) {
             f->selectAll();
             QTest::keyClicks(f, "24");
         },
         "24", 2},
        {"typing at the end", [](QLineEdit *f) { QTest::keyClicks(f, "0"); }, "96000", 5},
        {"backspace", [](QLineEdit *f) { QTest::keyClick(f, Qt::Key_Backspace); }, "960", 3},
        {"delete at the start",
         [](QLineEdit *f) {
             f->setCursorPosition(0);
             QTest::keyClick(f, Qt::Key_Delete);
         },
         "600", 0},
        {"typing in the middle",
         [](QLineEdit *f) {
             f->setCursorPosition(1);
             QTest::keyClicks(f, "x");
         },
         "9x600", 2},
        {"cutting it all",
         [](QLineEdit *f) {
             f->selectAll();
             QTest::keyClick(f, Qt::Key_X, Qt::ControlModifier);
         },
         "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        list->setCurrentIndex(2);
        list->setFocus();
        ASSERT_EQ(list->currentText(), "9600");
        c.edit(list->lineEdit());
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->lineEdit()->text(), c.text);
        EXPECT_EQ(list->lineEdit()->cursorPosition(), c.cursor);
        EXPECT_EQ(list->count(), rates.size()) << "typed text never becomes an item";
    }
    EXPECT_EQ(choices.count(), 0);
    EXPECT_EQ(other->currentIndex(), 0) << "the other list keeps its selection";
}

TEST_F(DropDownComboTest, AfterEditingTheNextChoiceSelectsAgain)
{
    // The arrow key from no selection chooses the first item.
    list->setFocus();
    QTest::keyClicks(list, "7");
    ASSERT_EQ(list->currentIndex(), -1);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->currentText(), "2400");
    ASSERT_EQ(choices.count(), 1);
    EXPECT_EQ(choices.at(0).at(0).toInt(), 0);

    // The item selected before the edit, chosen from the dropped list, is chosen again and
    // shows its own text.
    list->setCurrentIndex(2);
    list->lineEdit()->selectAll();
    QTest::keyClicks(list, "12");
    openList();
    QTest::keyClick(list->view(), Qt::Key_Escape); // closing the list chooses nothing
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(list->currentText(), "12");
    EXPECT_EQ(choices.count(), 1);
    openList();
    list->view()->setCurrentIndex(list->model()->index(2, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(list->currentText(), "9600");
    ASSERT_EQ(choices.count(), 2);
    EXPECT_EQ(choices.at(1).at(0).toInt(), 2);
}

TEST_F(DropDownComboTest, TypingWithTheListDroppedHighlightsTheFirstItemItStarts)
{
    struct Case
    {
        const char *typed;
        int highlighted; // -1: nothing
    };
    const Case cases[] = {
        {"5", 5},      {"57", 6}, {"1", 3},  {"11", 7},
        {"115200", 7}, {"3", 4},  {"7", -1}, {"1152000", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        list->setCurrentIndex(2);
        openList();
        EXPECT_EQ(highlighted(), 2) << "the selected item is highlighted as the list drops";
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->view(), c.typed);
        EXPECT_EQ(list->lineEdit()->text(), c.typed) << "the typing goes into the field";
        EXPECT_EQ(highlighted(), c.highlighted);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_TRUE(list->view()->isVisible());
        list->hidePopup();
    }
    // Backspace edits the field too, and the highlight follows.
    list->setCurrentIndex(2);
    openList();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->view(), "7");
    EXPECT_EQ(highlighted(), -1);
    QTest::keyClick(list->view(), Qt::Key_Backspace);
    QTest::keyClicks(list->view(), "4");
    EXPECT_EQ(list->lineEdit()->text(), "4");
    EXPECT_EQ(highlighted(), 1);
    // Case does not matter.
    list->hidePopup();
    other->setFocus();
    other->lineEdit()->selectAll();
    QTest::keyClicks(other, "com2");
    other->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->view()->window()));
    EXPECT_EQ(other->view()->currentIndex().row(), 1);
    other->hidePopup();
    EXPECT_EQ(choices.count(), 0) << "typing chose nothing";
}

TEST_F(DropDownComboTest, InTheDroppedListOnlyEnterOrAClickChooses)
{
    openList();
    // The arrow keys move the highlight; nothing is chosen yet.
    QTest::keyClick(list->view(), Qt::Key_Down);
    QTest::keyClick(list->view(), Qt::Key_Down);
    EXPECT_EQ(highlighted(), 4);
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(choices.count(), 0);
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_EQ(list->currentText(), "38400");
    ASSERT_EQ(choices.count(), 1);

    // Typed to a highlighted item, Enter chooses it and the field shows its text.
    openList();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->view(), "56");
    QTest::keyClick(list->view(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(list->currentIndex(), 5);
    EXPECT_EQ(list->currentText(), "56000");
    ASSERT_EQ(choices.count(), 2);

    // Typed to no item, Enter closes the list and chooses nothing; the text stays.
    openList();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->view(), "9601");
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_FALSE(list->view()->isVisible());
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(list->currentText(), "9601");
    EXPECT_EQ(choices.count(), 2);

    // A click on an item chooses it.
    openList();
    QAbstractItemView *view = list->view();
    const QRect row = view->visualRect(view->model()->index(7, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(list->currentText(), "115200");
    ASSERT_EQ(choices.count(), 3);
    EXPECT_EQ(choices.at(2).at(0).toInt(), 7);
}

TEST_F(DropDownComboTest, TheWheelActsOnlyOnTheFocusedList)
{
    // The wheel never takes the focus for a list.
    EXPECT_NE(list->focusPolicy() & Qt::WheelFocus, Qt::WheelFocus);
    EXPECT_EQ(list->focusPolicy() & Qt::StrongFocus, Qt::StrongFocus);

    for (QWidget *focus : {static_cast<QWidget *>(button), static_cast<QWidget *>(other)}) {
        focus->setFocus();
        wheel(list, -1);
        wheel(list, 1);
        EXPECT_EQ(list->currentIndex(), 2);
        EXPECT_EQ(choices.count(), 0);
        EXPECT_EQ(other->currentIndex(), 0);
        EXPECT_TRUE(focus->hasFocus());
    }

    list->setFocus();
    wheel(list, -1);
    EXPECT_EQ(list->currentText(), "19200");
    ASSERT_EQ(choices.count(), 1);
    wheel(list, 1);
    wheel(list, 1);
    EXPECT_EQ(list->currentText(), "4800");
    EXPECT_EQ(choices.count(), 3);
    EXPECT_EQ(other->currentIndex(), 0);
}

TEST(DropDownComboLook, BuildsItsListOnFirstOpeningAndShowsWhatQtsEditableComboShows)
{
    // The reference: Qt's editable combo, made the usual way, with the same items and place.
    QWidget window;
    window.resize(400, 300);
    QPushButton *button = new QPushButton(QStringLiteral("Zoom +"), &window); // holds the focus
    button->setGeometry(10, 200, 80, 30);
    DropDownCombo *list = new DropDownCombo(&window);
    QComboBox *reference = new QComboBox(&window);
    reference->setEditable(true);
    reference->setInsertPolicy(QComboBox::NoInsert);
    reference->setCompleter(nullptr);
    reference->setFocusPolicy(Qt::StrongFocus);
    ASSERT_EQ(list->sizeHint(), reference->sizeHint());
    int x = 10;
    for (QComboBox *combo : {static_cast<QComboBox *>(list), reference}) {
        combo->addItems(rates);
        combo->setCurrentIndex(2);
        combo->setGeometry(x, 10, 120, combo->sizeHint().height());
        x += 150;
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    button->setFocus();

    // Shown, filled and chosen in, but never opened: the dropped list is not built yet.
    EXPECT_EQ(list->findChild<QAbstractItemView *>(), nullptr);
    EXPECT_EQ(list->grab().toImage(), reference->grab().toImage());

    QImage dropped[2];
    for (int i = 0; i < 2; ++i) {
        QComboBox *combo = i == 0 ? static_cast<QComboBox *>(list) : reference;
        combo->showPopup();
        QWidget *popup = combo->view()->window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
        dropped[i] = popup->grab().toImage();
        EXPECT_EQ(combo->view()->verticalScrollBarPolicy(),
                  reference->view()->verticalScrollBarPolicy());
        EXPECT_STREQ(combo->view()->itemDelegate()->metaObject()->className(),
                     reference->view()->itemDelegate()->metaObject()->className());
        combo->hidePopup();
    }
    EXPECT_FALSE(dropped[0].isNull());
    EXPECT_EQ(dropped[0], dropped[1]) << "the dropped lists look alike";
}

TEST_F(DropDownComboTest, FromNothingHighlightedEndAndPageDownGoToTheLastItemTheOthersToTheFirst)
{
    struct Case
    {
        const char *name;
        Qt::Key key;
        int highlighted;
        const char *chosen;
    };
    const Case cases[] = {
        {"End", Qt::Key_End, 7, "115200"}, {"Page Down", Qt::Key_PageDown, 7, "115200"},
        {"Home", Qt::Key_Home, 0, "2400"}, {"Page Up", Qt::Key_PageUp, 0, "2400"},
        {"Down", Qt::Key_Down, 0, "2400"}, {"Up", Qt::Key_Up, 0, "2400"},
    };
    // Nothing is highlighted in a list without a selection, and in one typed to no item.
    const std::function<void()> toNothing[] = {
        [&] {
            list->setCurrentIndex(-1);
            openList();
        },
        [&] {
            openList();
            list->lineEdit()->selectAll();
            QTest::keyClicks(list->view(), "7");
        },
    };
    int chosen = 0;
    for (const auto &nothing : toNothing) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            list->setCurrentIndex(2);
            nothing();
            ASSERT_EQ(highlighted(), -1);
            QTest::keyClick(list->view(), c.key);
            EXPECT_EQ(highlighted(), c.highlighted);
            EXPECT_TRUE(list->view()->isVisible()) << "the key only highlights";
            EXPECT_EQ(choices.count(), chosen);
            QTest::keyClick(list->view(), Qt::Key_Return);
            EXPECT_EQ(list->currentText(), c.chosen);
            EXPECT_EQ(choices.count(), ++chosen);
        }
    }
    // With an item highlighted the keys move as in any list.
    list->setCurrentIndex(2);
    openList();
    QTest::keyClick(list->view(), Qt::Key_End);
    EXPECT_EQ(highlighted(), 7);
    QTest::keyClick(list->view(), Qt::Key_Home);
    EXPECT_EQ(highlighted(), 0);
    QTest::keyClick(list->view(), Qt::Key_Down);
    EXPECT_EQ(highlighted(), 1);
    list->hidePopup();
}

TEST_F(DropDownComboTest, TheDroppedListShowsTheWidestItemWholeAndIsNeverNarrowerThanTheField)
{
    const QString longest = QStringLiteral("COM11 (usb-FTDI_~-port0)");
    other->addItem(longest);
    other->setFocus();
    other->showPopup();
    QAbstractItemView *view = other->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const int textWidth = view->fontMetrics().horizontalAdvance(longest);
    ASSERT_GT(textWidth, other->width()) << "the item is wider than the field";
    EXPECT_GE(view->viewport()->width(), textWidth);
    const QRect row = view->visualRect(other->model()->index(2, 0));
    EXPECT_GE(row.width(), textWidth);
    EXPECT_LE(row.right(), view->viewport()->width());
    other->hidePopup();

    // Short items: the list is as wide as the field.
    openList();
    EXPECT_EQ(list->view()->window()->width(), list->width());
    list->hidePopup();
}

TEST_F(DropDownComboTest, AChosenItemShowsFromItsStart)
{
    const QString longest = QStringLiteral("COM11 (usb-FTDI_~-port0) and a long tail");
    other->addItem(longest);
    QLineEdit *field = other->lineEdit();
    const auto showsStart = [&] {
        EXPECT_EQ(field->text(), longest);
        EXPECT_EQ(field->cursorPosition(), 0);
        // The cursor's place: the field's left edge, so the text is not scrolled.
        EXPECT_LT(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 8);
    };
    ASSERT_GT(field->fontMetrics().horizontalAdvance(longest), field->width());

    // Chosen with the keyboard from the dropped list: shown from its start, all selected.
    other->setFocus();
    other->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->view()->window()));
    QTest::keyClick(other->view(), Qt::Key_End);
    QTest::keyClick(other->view(), Qt::Key_Return);
    ASSERT_EQ(other->currentIndex(), 2);
    showsStart();
    EXPECT_EQ(field->selectedText(), longest);

    // Chosen with a click, as the item already chosen.
    other->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->view()->window()));
    QAbstractItemView *view = other->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(other->model()->index(2, 0)).center());
    ASSERT_FALSE(view->isVisible());
    showsStart();

    // Typed to its end, then left: the field shows the start again.
    field->setCursorPosition(int(longest.size()));
    QTest::keyClicks(field, "x");
    button->setFocus();
    EXPECT_EQ(field->text(), longest + "x");
    EXPECT_EQ(field->cursorPosition(), 0);
    EXPECT_LT(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 8);

    // Selected by the program while another control has the focus.
    other->setCurrentIndex(0);
    other->setCurrentIndex(2);
    showsStart();
}

TEST_F(DropDownComboTest, ShiftAndCtrlLeaveEnterAndEscWhatTheyAreInTheDroppedList)
{
    const Qt::KeyboardModifiers modifiers[] = {Qt::ShiftModifier, Qt::ControlModifier};
    int chosen = 0;
    for (const Qt::KeyboardModifiers modifier : modifiers) {
        SCOPED_TRACE(modifier.toInt());
        list->setCurrentIndex(2);
        openList();
        QTest::keyClick(list->view(), Qt::Key_Down);
        QTest::keyClick(list->view(), Qt::Key_Return, modifier);
        EXPECT_FALSE(list->view()->isVisible());
        EXPECT_EQ(list->currentText(), "19200");
        EXPECT_EQ(choices.count(), ++chosen);

        openList();
        QTest::keyClick(list->view(), Qt::Key_Down);
        QTest::keyClick(list->view(), Qt::Key_Escape, modifier);
        EXPECT_FALSE(list->view()->isVisible());
        EXPECT_EQ(list->currentText(), "19200");
        EXPECT_EQ(choices.count(), chosen) << "Esc chooses nothing";
        list->hidePopup();
    }
}
