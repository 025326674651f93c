// Builds a window's controls from its template, turning dialog units into pixels the way the
// dialog manager does: from the dialog font's average character width and height.
#pragma once

#include "dialogtemplate.h"

#include <QFont>
#include <QRect>
#include <QWidget>

#include <functional>
#include <map>

// The template's "MS Sans Serif" 8 pt becomes the desktop's sans-serif at 8 pt.
QFont dialogFont(const DialogTemplate &tmpl);

struct DialogBaseUnits
{
    int x; // average width of A-Z and a-z, rounded as the dialog manager does
    int y; // the font's height

    // A rectangle in dialog units, in pixels: x * baseX / 4, y * baseY / 8, rounded.
    QRect toPixels(int x, int y, int cx, int cy) const;
};

DialogBaseUnits dialogBaseUnits(const QFont &font);
// From the width of the 52 letters A-Z and a-z side by side and the font's height: the average
// letter width rounded to the nearest pixel, halves up.
DialogBaseUnits dialogBaseUnits(int alphabetWidth, int fontHeight);

// A combo box's template height holds its field and its dropped list. The dropped list shows
// as many whole items as the rest holds, one item being one font height (the base unit y), as
// in the dialog manager's lists; at least one.
int droppedRows(int boxHeight, int fieldHeight, const DialogBaseUnits &units);

// The controls of a built window, by id (controls with the id -1 are left out) and in
// template order.
struct BuiltControls
{
    std::map<int, QWidget *> byId;
    std::vector<QWidget *> inOrder; // one per item; nullptr for the serial control
};

// Creates the template's controls as children of window, in template order (which is the
// tab order), sets the window's font, caption and fixed client size. Icons come from
// iconFor(iconId). Push buttons are never default or auto-default buttons: the windows handle
// Enter themselves. Combo boxes are drop-down lists with an edit field (dropdowncombo.h), one
// line high, their dropped lists as many rows high as droppedRows gives.
BuiltControls buildDialog(QWidget &window, const DialogTemplate &tmpl,
                          const std::function<QPixmap(int iconId, QSize size)> &iconFor = {});
