#include "addresslist.h"

#include "cli.h"

#include <QRegularExpression>

namespace addresslist {

std::optional<Range> parseItem(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,3})(?:-([0-9]{1,3}))?$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int first = match.captured(1).toInt();
    const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
    if (first > last || last > 255)
        return std::nullopt;
    return Range{first, last};
}

std::vector<pelco::Byte> parse(const QString &text, const QString &what)
{
    std::vector<bool> chosen(256, false);
    std::vector<pelco::Byte> addresses;
    for (const QString &item : text.split(',')) {
        const auto range = parseItem(item);
        if (!range)
            throw cli::UsageError(
                QStringLiteral("invalid %1 '%2': expected N or N-M from 0 to 255, N no greater "
                               "than M, or several separated by commas (1,3,5-7)")
                    .arg(what, text));
        for (int a = range->first; a <= range->last; ++a)
            if (!chosen[std::size_t(a)]) {
                chosen[std::size_t(a)] = true;
                addresses.push_back(pelco::Byte(a));
            }
    }
    return addresses;
}

} // namespace addresslist
