// A drop-down list with an edit field, as the dialogs' lists behave:
//  - Its field is only text: what is typed never completes to, adds or chooses an item.
//  - Editing the text leaves the list with no selection (currentIndex -1), the typed text
//    staying, until an item is chosen again; so no hidden item stands behind what is shown.
//  - With the list dropped, typing goes on into the field and highlights the first item that
//    starts with the text (case aside), or none; the highlighted item is chosen on Enter or a
//    click, like one reached with the arrow keys. Enter with nothing highlighted closes the
//    list and chooses nothing.
//  - Shift and Ctrl leave Enter and Esc in the dropped list what they are.
//  - In the dropped list with nothing highlighted, End and Page Down go to the last item, Home,
//    Page Up, Up and Down to the first (Qt's list goes to the first for every key).
//  - The dropped list is at least as wide as its widest item, never narrower than the field.
//  - A chosen item's text shows from its start, all selected; so does one the program selects
//    while the list has no focus, and the field's text when it loses the focus (Qt keeps the
//    end in view).
//  - The mouse wheel acts only while the list has the focus, and never gives it the focus:
//    over the focused, closed list a notch steps the selection, which is a choice (activated);
//    over any other list it does nothing.
// A choice is signalled by QComboBox::activated; a selection the program sets is none.
#pragma once

#include <QComboBox>

class DropDownCombo : public QComboBox
{
public:
    explicit DropDownCombo(QWidget *parent = nullptr);

    void showPopup() override;

protected:
    void wheelEvent(QWheelEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited(const QString &text);
    void highlightMatch(const QString &text);
    void highlightRow(int row);
    bool highlightFromNothing(const QKeyEvent &key);
    void fitWidestItem();
    void showChosenText();
};
