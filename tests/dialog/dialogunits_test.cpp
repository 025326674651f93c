// Dialog units to pixels against fixed figures: the base units from a font's letters and
// height, and rectangles converted with known base units, halves included.
#include "dialogbuilder.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {
struct BaseUnitsCase
{
    int alphabetWidth;
    int fontHeight;
    int x, y;
};

std::ostream &operator<<(std::ostream &out, const BaseUnitsCase &c)
{
    return out << c.alphabetWidth << " px for 52 letters, height " << c.fontHeight;
}

struct RectCase
{
    const char *name;
    DialogBaseUnits units;
    int x, y, cx, cy; // dialog units
    QRect pixels;
};
} // namespace

TEST(DialogUnits, BaseUnitsAreTheRoundedAverageLetterWidthAndTheFontHeight)
{
    const BaseUnitsCase cases[] = {
        {312, 13, 6, 13}, // 8 pt MS Sans Serif at 96 dpi: exactly 6 per letter
        {337, 13, 6, 13}, // 6.48 per letter
        {338, 13, 7, 13}, // 6.5: halves go up
        {286, 16, 6, 16}, // 5.5
        {285, 16, 5, 16}, // 5.48
        {364, 15, 7, 15}, {0, 0, 0, 0},
    };
    for (const BaseUnitsCase &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const DialogBaseUnits units = dialogBaseUnits(c.alphabetWidth, c.fontHeight);
        EXPECT_EQ(units.x, c.x);
        EXPECT_EQ(units.y, c.y);
    }
}

TEST(DialogUnits, RectanglesBecomePixelsRoundedToTheNearestHalvesAwayFromZero)
{
    const RectCase cases[] = {
        {"the panel's client area", {6, 13}, 0, 0, 392, 192, QRect(0, 0, 588, 312)},
        {"the About box", {6, 13}, 0, 0, 235, 55, QRect(0, 0, 353, 89)},
        {"UP: x and y land on halves", {6, 13}, 271, 44, 40, 40, QRect(407, 72, 60, 65)},
        {"one unit each way", {6, 13}, 1, 1, 1, 1, QRect(2, 2, 2, 2)},
        {"a half down is still up", {6, 13}, 2, 4, 3, 4, QRect(3, 7, 5, 7)},
        {"below a half goes down", {7, 13}, 1, 3, 5, 5, QRect(2, 5, 9, 8)},
        {"larger base units", {7, 16}, 271, 44, 40, 40, QRect(474, 88, 70, 80)},
        {"negative halves round away from zero", {6, 13}, -1, -4, 1, 4, QRect(-2, -7, 2, 7)},
    };
    for (const RectCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QRect got = c.units.toPixels(c.x, c.y, c.cx, c.cy);
        EXPECT_EQ(got, c.pixels) << "got " << got.x() << "," << got.y() << " " << got.width() << "x"
                                 << got.height();
    }
}

TEST(DialogUnits, TheDialogFontGivesPlausibleBaseUnits)
{
    // Whatever the desktop's sans-serif is, 8 pt gives letters a few pixels wide and a line
    // taller than it is wide: not the whole alphabet's width, not zero.
    const DialogTemplate tmpl{1, "", 0, 0, 10, 10, 0, 0, "MS Sans Serif", 8, {}};
    const DialogBaseUnits units = dialogBaseUnits(dialogFont(tmpl));
    EXPECT_GE(units.x, 3);
    EXPECT_LE(units.x, 12);
    EXPECT_GT(units.y, units.x);
    EXPECT_LE(units.y, 30);
}

TEST(DialogUnits, ADroppedListShowsTheWholeFontHeightRowsLeftBelowTheField)
{
    struct Case
    {
        const char *name;
        int boxHeight, fieldHeight;
        DialogBaseUnits units;
        int rows;
    };
    const Case cases[] = {
        {"the port list, 133 units at base 13", 216, 21, {6, 13}, 15},
        {"the baud list, 78 units at base 13", 127, 21, {6, 13}, 8},
        {"a taller field leaves fewer", 127, 30, {6, 13}, 7},
        {"exactly whole rows", 47, 21, {6, 13}, 2},
        {"one pixel short of a row", 46, 21, {6, 13}, 1},
        {"no room still shows one", 21, 21, {6, 13}, 1},
        {"a field taller than the box", 10, 21, {6, 13}, 1},
        {"no base unit", 100, 21, {0, 0}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(droppedRows(c.boxHeight, c.fieldHeight, c.units), c.rows);
    }
}
