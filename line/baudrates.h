// Baud rates: the panel's list of rates, and a rate as an operator writes it.
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace lines {

// The rates the panel's baud list offers, in its order.
inline constexpr std::array<int, 8> panelBaudRates{2400,  4800,  9600,  19200,
                                                   38400, 56000, 57600, 115200};

// The highest rate a line is asked for.
inline constexpr int maxBaudRate = 4000000;

// A rate written as a plain decimal of up to seven digits, from 1 to maxBaudRate (no sign,
// blanks or unit); nullopt for anything else.
std::optional<int> parseBaudRate(QStringView text);

// What a command says of a bad rate text, the same everywhere:
// "invalid baud rate 'x': expected a decimal number from 1 to 4000000, such as 9600"; where,
// when given, follows the quoted text ("in --bauds '2400,x'").
QString badBaudRateText(const QString &text, const QString &where = {});

} // namespace lines
