#include "baudrates.h"

namespace lines {

std::optional<int> parseBaudRate(QStringView text)
{
    if (text.isEmpty() || text.size() > 7)
        return std::nullopt;
    int rate = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        rate = rate * 10 + (c.unicode() - '0');
    }
    if (rate < 1 || rate > maxBaudRate)
        return std::nullopt;
    return rate;
}

QString badBaudRateText(const QString &text, const QString &where)
{
    return QStringLiteral("invalid baud rate '%1'%2: expected a decimal number from 1 to %3, "
                          "such as 9600")
        .arg(text, where.isEmpty() ? QString() : ' ' + where)
        .arg(maxBaudRate);
}

} // namespace lines
