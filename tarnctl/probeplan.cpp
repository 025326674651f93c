#include "probeplan.h"

#include "addresslist.h"
#include "baudrates.h"
#include "cli.h"

#include <algorithm>
#include <string>

namespace probe {

std::vector<int> parseBauds(const QString &text)
{
    std::vector<int> bauds;
    for (const QString &item : text.split(',')) {
        const auto rate = lines::parseBaudRate(item);
        if (!rate)
            throw cli::UsageError(
                lines::badBaudRateText(item, QStringLiteral("in --bauds '%1'").arg(text)) +
                " (rates are separated by commas)");
        const int baud = *rate;
        if (std::find(bauds.begin(), bauds.end(), baud) == bauds.end())
            bauds.push_back(baud);
    }
    return bauds;
}

AddressRange parseAddresses(const QString &text)
{
    if (const auto range = addresslist::parseItem(text))
        return {range->first, range->last};
    throw cli::UsageError(QStringLiteral("invalid addresses '%1': expected N or N-M, from 0 to "
                                         "255, N no greater than M (1-32)")
                              .arg(text));
}

std::vector<int> defaultBauds()
{
    return {lines::panelBaudRates.begin(), lines::panelBaudRates.end()};
}

int queryWaitMs(int baud)
{
    const long long lineBits = 1000LL * queryAndAnswerBytes * bitsPerByte;
    return int((lineBits + baud - 1) / baud) + answerMarginMs;
}

std::chrono::milliseconds longestSweep(const std::vector<int> &bauds, const AddressRange &range,
                                       std::optional<int> timeoutMs)
{
    std::chrono::milliseconds total{0};
    for (int baud : bauds)
        total +=
            std::chrono::milliseconds(timeoutMs ? *timeoutMs : queryWaitMs(baud)) * range.count();
    return total;
}

} // namespace probe
