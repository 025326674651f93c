// The version as res/versioninfo.json writes it, read by the tests at run time, so that they
// follow the one place the version is written instead of repeating it.
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <string>

struct JsonVersion
{
    std::array<int, 4> parts{};

    // "1.0.0.1"
    std::string dotted() const { return joined("."); }
    // "1, 0, 0, 1": the string block's form.
    std::string commas() const { return joined(", "); }

    std::string joined(const char *separator) const
    {
        std::string text;
        for (int part : parts)
            text += (text.empty() ? "" : separator) + std::to_string(part);
        return text;
    }
};

// member: "productVersion" or "fileVersion". All parts -1 when the file cannot be read.
inline JsonVersion versionFromJson(const char *member = "productVersion")
{
    JsonVersion version;
    version.parts.fill(-1);
    QFile file(QStringLiteral(TARN_VERSION_JSON_PATH));
    if (!file.open(QIODevice::ReadOnly))
        return version;
    const QJsonArray numbers =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String(member)).toArray();
    for (qsizetype i = 0; i < numbers.size() && i < 4; ++i)
        version.parts[std::size_t(i)] = numbers.at(i).toInt(-1);
    return version;
}
