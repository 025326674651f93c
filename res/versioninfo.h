// The program's version block as data: the fixed part, the one string block and the
// translation. On Linux its values feed QCoreApplication::applicationVersion and the
// desktop entry (tarn.desktop).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>

// The copyright notice: the About box's third line and LegalCopyright below.
inline constexpr std::string_view copyrightNotice = "Copyright (C) 2026 Mirelda";

// The product line the About box shows, also the desktop entry's Comment.
inline constexpr std::string_view productLine = "Mirelda PTZ Control";

struct VersionNumber
{
    std::uint16_t major, minor, patch, build;
};

struct VersionString
{
    std::string_view key;
    std::string_view value;
};

struct VersionInfo
{
    int resourceId;
    int language; // 1033, English (United States)

    // Fixed part
    VersionNumber fileVersion;
    VersionNumber productVersion;
    std::uint32_t fileFlagsMask;
    std::uint32_t fileFlags;
    std::uint32_t fileOs;   // 4: 32-bit Windows
    std::uint32_t fileType; // 1: an application
    std::uint32_t fileSubtype;
    std::uint64_t fileDate;

    // String block "040904b0": English (United States), Unicode
    std::string_view stringBlock;
    std::array<VersionString, 12> strings;

    // Translation: one language / code page pair
    std::uint16_t translationLanguage;
    std::uint16_t translationCodePage;
};

inline constexpr VersionInfo versionInfo{
    .resourceId = 1,
    .language = 1033,
    .fileVersion = {1, 0, 0, 1},
    .productVersion = {1, 0, 0, 1},
    .fileFlagsMask = 0x3F,
    .fileFlags = 0,
    .fileOs = 4,
    .fileType = 1,
    .fileSubtype = 0,
    .fileDate = 0,
    .stringBlock = "040904b0",
    .strings = {{
        {"Comments", ""},
        {"CompanyName", ""},
        {"FileDescription", "TARN"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "TARN"},
        {"LegalCopyright", copyrightNotice},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "TARN.EXE"},
        {"PrivateBuild", ""},
        {"ProductName", "TARN Application"},
        {"ProductVersion", "1, 0, 0, 1"},
        {"SpecialBuild", ""},
    }},
    .translationLanguage = 0x0409,
    .translationCodePage = 0x04B0,
};

// A string block value by key; empty when the key is not there.
std::string_view versionString(std::string_view key);

// "1.0.0.1": the product version as applicationVersion() shows it.
QString applicationVersionText();
