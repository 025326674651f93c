#include "dropdowncombo.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace {
// A key that edits the field's text rather than moving in the list.
bool editsText(const QKeyEvent &key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key.key() == Qt::Key_Backspace)
        return true;
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

bool isEnter(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}
} // namespace

DropDownCombo::DropDownCombo(QWidget *parent) : QComboBox(parent)
{
    // An editable combo, made by giving it its field: setEditable(true) would also build the
    // dropped list's window, view and scroll bars now, which the dialog does not need before
    // the list is first opened (Qt builds them then), and which cost its start.
    setLineEdit(new QLineEdit(this));
    setInsertPolicy(QComboBox::NoInsert);
    // Qt's editable combo matches typed text to an item through its completer, on Enter and
    // when editing ends; none of that happens in a drop-down list's field.
    setCompleter(nullptr);
    disconnect(lineEdit(), SIGNAL(returnPressed()), this, nullptr);
    disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
    // Tab and click give the focus; the wheel does not (Qt's combo takes it on a wheel turn).
    setFocusPolicy(Qt::StrongFocus);
    connect(lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString &text) { textEdited(text); });
}

void DropDownCombo::textEdited(const QString &text)
{
    if (currentIndex() != -1) {
        // Dropping the selection empties the field; the operator's text and cursor come back.
        QLineEdit *field = lineEdit();
        const int cursor = field->cursorPosition();
        setCurrentIndex(-1);
        field->setText(text);
        field->setCursorPosition(cursor);
    }
    if (view()->isVisible())
        highlightMatch(text);
}

void DropDownCombo::highlightMatch(const QString &text)
{
    QAbstractItemView *list = view();
    if (!text.isEmpty()) {
        for (int row = 0; row < count(); ++row) {
            if (itemText(row).startsWith(text, Qt::CaseInsensitive)) {
                const QModelIndex index = model()->index(row, modelColumn(), rootModelIndex());
                list->setCurrentIndex(index);
                list->scrollTo(index);
                return;
            }
        }
    }
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
}

void DropDownCombo::showPopup()
{
    // Keys typed into the dropped list go on into the field (the list exists from here on).
    view()->installEventFilter(this);
    QComboBox::showPopup();
    // A list without a selection shows the item its text starts, or nothing highlighted.
    if (currentIndex() < 0)
        highlightMatch(lineEdit()->text());
}

void DropDownCombo::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

bool DropDownCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (editsText(*key)) {
            // Into the field, whose edit then moves the highlight.
            QCoreApplication::sendEvent(lineEdit(), key);
            return true;
        }
        if (isEnter(*key) && !view()->currentIndex().isValid()) {
            hidePopup();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
