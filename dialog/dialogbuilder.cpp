#include "dialogbuilder.h"

#include "dropdowncombo.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {
// MulDiv: a * b / c rounded to the nearest integer.
int mulDiv(int a, int b, int c)
{
    return int(std::lround(double(a) * b / c));
}

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
} // namespace

QFont dialogFont(const DialogTemplate &tmpl)
{
    // The desktop's sans-serif, asked for with no style hint, as Qt's generic theme asks for
    // the default font: both then share one fontconfig search (a hint costs a second one).
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(tmpl.pointSize);
    return font;
}

QRect DialogBaseUnits::toPixels(int ux, int uy, int ucx, int ucy) const
{
    return QRect(mulDiv(ux, x, 4), mulDiv(uy, y, 8), mulDiv(ucx, x, 4), mulDiv(ucy, y, 8));
}

DialogBaseUnits dialogBaseUnits(int alphabetWidth, int fontHeight)
{
    return {(alphabetWidth / 26 + 1) / 2, fontHeight};
}

DialogBaseUnits dialogBaseUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    return dialogBaseUnits(metrics.horizontalAdvance(QStringLiteral(
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                           metrics.height());
}

int droppedRows(int boxHeight, int fieldHeight, const DialogBaseUnits &units)
{
    if (units.y <= 0)
        return 1;
    return std::max(1, (boxHeight - fieldHeight) / units.y);
}

BuiltControls buildDialog(QWidget &window, const DialogTemplate &tmpl,
                          const std::function<QPixmap(int, QSize)> &iconFor)
{
    const QFont font = dialogFont(tmpl);
    window.setFont(font);
    window.setWindowTitle(qs(tmpl.caption));
    const DialogBaseUnits units = dialogBaseUnits(font);
    window.setFixedSize(units.toPixels(0, 0, tmpl.cx, tmpl.cy).size());

    BuiltControls built;
    for (const DialogItem &item : tmpl.items) {
        QWidget *widget = nullptr;
        const QRect rect = units.toPixels(item.x, item.y, item.cx, item.cy);
        switch (item.kind) {
        case ControlKind::PushButton: {
            auto *button = new QPushButton(qs(item.text), &window);
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            break;
        }
        case ControlKind::ComboBox: {
            auto *combo = new DropDownCombo(&window);
            combo->setMaxVisibleItems(
                droppedRows(rect.height(), combo->sizeHint().height(), units));
            widget = combo;
            break;
        }
        case ControlKind::Edit:
            widget = new QLineEdit(&window);
            break;
        case ControlKind::Label: {
            auto *label = new QLabel(qs(item.text), &window);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        case ControlKind::Icon: {
            auto *label = new QLabel(&window);
            if (iconFor)
                label->setPixmap(iconFor(item.iconId, QSize(32, 32)));
            widget = label;
            break;
        }
        case ControlKind::SerialComm:
            break;
        }
        if (widget) {
            widget->setObjectName(qs(item.idName));
            widget->setProperty("controlId", item.id);
            if (item.kind == ControlKind::ComboBox) {
                // The template's height includes the dropped list; the closed box is one line.
                widget->setGeometry(rect.x(), rect.y(), rect.width(), widget->sizeHint().height());
            } else {
                widget->setGeometry(rect);
            }
            if (!(item.style & DialogStyle::wsTabStop) && item.kind != ControlKind::Label &&
                item.kind != ControlKind::Icon)
                widget->setFocusPolicy(Qt::ClickFocus);
            if (item.style & DialogStyle::wsDisabled)
                widget->setEnabled(false);
            if (item.id != -1)
                built.byId[item.id] = widget;
        }
        built.inOrder.push_back(widget);
    }
    return built;
}
