// Port names: COM<n>, n from 1 to 255, the names the panel's list and tarnctl use.
//
// Two readings, for two places: a link in the ports directory counts only when it is named
// exactly COM<n> (comNumberOfLink: upper case, plain decimal; com3, COM0, COM01 are no port
// names, so such links are ignored rather than guessed at); an operator on the command line
// may write the name in any case, as on Windows (comNumber: com9 is COM9).
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace lines {

inline constexpr int firstComNumber = 1;
inline constexpr int lastComNumber = 255;

// n of "COM<n>" in any case; nullopt for anything else (COM0, COM256, COM01, "COM 4").
std::optional<int> comNumber(QStringView name);

// n of a ports directory link named exactly "COM<n>"; nullopt for anything else (com3 too).
std::optional<int> comNumberOfLink(QStringView fileName);

// "COM<n>".
QString comName(int number);

} // namespace lines
