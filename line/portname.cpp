#include "portname.h"

namespace lines {

namespace {

std::optional<int> number(QStringView name, Qt::CaseSensitivity cs)
{
    if (!name.startsWith(QLatin1String("COM"), cs))
        return std::nullopt;
    const QStringView digits = name.mid(3);
    // Plain decimal: no sign, no blanks, no leading zero, at most three digits.
    if (digits.isEmpty() || digits.size() > 3 || digits.front() == QLatin1Char('0'))
        return std::nullopt;
    int n = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        n = n * 10 + (c.unicode() - '0');
    }
    if (n < firstComNumber || n > lastComNumber)
        return std::nullopt;
    return n;
}

} // namespace

std::optional<int> comNumber(QStringView name)
{
    return number(name, Qt::CaseInsensitive);
}

std::optional<int> comNumberOfLink(QStringView fileName)
{
    return number(fileName, Qt::CaseSensitive);
}

QString comName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

} // namespace lines
