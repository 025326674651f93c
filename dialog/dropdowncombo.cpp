#include "dropdowncombo.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
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
    // Qt leaves the cursor, and so the view, at the end of an item's text.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && !hasFocus())
            lineEdit()->setCursorPosition(0);
    });
    connect(this, &QComboBox::activated, this, [this] { showChosenText(); });
}

void DropDownCombo::showChosenText()
{
    // As the dialog manager shows a chosen item: from its start, all of it selected, so that
    // typing replaces it.
    QLineEdit *field = lineEdit();
    const int length = int(field->text().size());
    field->setSelection(length, -length);
}

void DropDownCombo::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    // The list dropping takes the focus for a moment; the field goes on being typed into.
    if (event->reason() != Qt::PopupFocusReason)
        lineEdit()->setCursorPosition(0);
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
    if (!text.isEmpty()) {
        for (int row = 0; row < count(); ++row) {
            if (itemText(row).startsWith(text, Qt::CaseInsensitive)) {
                highlightRow(row);
                return;
            }
        }
    }
    QAbstractItemView *list = view();
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
}

void DropDownCombo::highlightRow(int row)
{
    QAbstractItemView *list = view();
    const QModelIndex index = model()->index(row, modelColumn(), rootModelIndex());
    list->setCurrentIndex(index);
    list->scrollTo(index);
}

bool DropDownCombo::highlightFromNothing(const QKeyEvent &key)
{
    if (view()->currentIndex().isValid() || count() == 0 ||
        (key.modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
        return false;
    switch (key.key()) {
    case Qt::Key_End:
    case Qt::Key_PageDown:
        highlightRow(count() - 1);
        return true;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
    case Qt::Key_Up:
    case Qt::Key_Down:
        highlightRow(0);
        return true;
    default:
        return false;
    }
}

void DropDownCombo::fitWidestItem()
{
    // Wide enough for the widest item whole; Qt makes it no narrower than the field.
    QAbstractItemView *list = view();
    int width = list->sizeHintForColumn(modelColumn());
    if (width <= 0) {
        list->setMinimumWidth(0);
        return;
    }
    width += 2 * list->frameWidth();
    if (count() > maxVisibleItems())
        width += list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(width);
}

void DropDownCombo::showPopup()
{
    // Keys typed into the dropped list go on into the field (the list exists from here on).
    view()->installEventFilter(this);
    fitWidestItem();
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
        if (highlightFromNothing(*key))
            return true;
        // Shift+Esc and Ctrl+Esc close the list as Esc does (Qt's list takes only Esc).
        if (key->key() == Qt::Key_Escape && key->modifiers() != Qt::NoModifier &&
            !(key->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
            hidePopup();
            return true;
        }
        if (isEnter(*key) && !view()->currentIndex().isValid()) {
            hidePopup();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
