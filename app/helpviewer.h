// The help viewer F1 asks for a topic of the help file named after the executable.
//
// The help file is UTF-8 text made of topics. A line
//     @topic 0x20066 Title of the topic
// starts a topic: the id in hexadecimal with its "0x", then the title (may be empty). The
// lines up to the next "@topic" line are its text, in Markdown. Lines before the first topic
// are notes for whoever edits the file and are never shown. A topic line whose id cannot be
// read starts a section that belongs to no topic; when an id appears twice the first wins.
// A file larger than maxHelpFileSize, or holding NUL bytes, is not a help file.
#pragma once

#include <QString>

class QDialog;
class QWidget;

inline constexpr qint64 maxHelpFileSize = 1024 * 1024;

// The help file the program looks for: findHelpFile for its own executable.
QString helpFilePath();

// The help file named after an executable, beside it: its path with the extension (if any)
// replaced by ".hlp": "/opt/tarn/tarn" -> "/opt/tarn/tarn.hlp", "C:/x/TARN.EXE" ->
// "C:/x/TARN.hlp". Only the file name's last extension is replaced.
QString helpFilePathFor(const QString &executablePath);

// The same file name in share/tarn/ under the executable's prefix, where an installed copy
// keeps it: "/usr/bin/tarn" -> "/usr/share/tarn/tarn.hlp".
QString installedHelpFilePathFor(const QString &executablePath);

// The help file beside the executable when there is one, else the installed one when there is
// one, else the one beside it (which the operator is then told is missing).
QString findHelpFile(const QString &executablePath);

// One topic looked up in a help file.
struct HelpLookup
{
    bool found = false;
    QString title;   // the topic's title
    QString text;    // the topic's text, Markdown
    QString problem; // when not found: what the operator is told, naming the file
};

// Reads helpFile and finds topic in it. Never blocks on anything but a regular file and
// never reads more than maxHelpFileSize + 1 bytes.
HelpLookup lookUpHelpTopic(const QString &helpFile, int topic);

// The viewer window for a found topic: a dialog with parent as its owner, the topic's text and
// a Close button, captioned "<application title> Help". Not shown yet; the caller owns it.
QDialog *createHelpViewer(QWidget *parent, const HelpLookup &found);

// Shows the operator's help for topic from helpFile in the help window, or says plainly in a
// message box, modal over parent, that no help is installed (and which file it looked for).
// The help window is a window of its own beside the panel, as a help engine's would be: it
// blocks nothing, and the panel and its About box keep working. There is one: the next call
// shows its topic in it and raises it. It belongs to the top window above parent (the panel),
// so it goes with it.
void showHelp(QWidget *parent, const QString &helpFile, int topic);

// The help window while it exists, else nullptr.
QDialog *helpWindow();

// Closes and destroys the help window, if there is one.
void closeHelp();
