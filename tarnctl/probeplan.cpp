#include "probeplan.h"

#include "addresslist.h"
#include "cli.h"
#include "commsettings.h"
#include "ptzcontroldlg.h"

#include <algorithm>
#include <string>

namespace probe {

std::vector<int> parseBauds(const QString &text)
{
    std::vector<int> bauds;
    for (const QString &item : text.split(',')) {
        try {
            cli::parseBaud(item);
        } catch (const cli::UsageError &) {
            throw cli::UsageError(
                QStringLiteral("invalid baud '%1' in --bauds '%2': expected decimal rates from 1 "
                               "to %3, separated by commas")
                    .arg(item, text)
                    .arg(maxBaudRate));
        }
        const int baud = item.toInt();
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
    std::vector<int> bauds;
    for (std::string_view rate : ptzBaudRates)
        bauds.push_back(std::stoi(std::string(rate)));
    return bauds;
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
