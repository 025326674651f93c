// The help viewer F1 asks for a topic of the help file named after the executable.
#pragma once

#include <QString>

class QWidget;

// The help file the program looks for: the executable's path with its extension (if any)
// replaced by ".hlp".
QString helpFilePath();

// Shows the operator's help for topic from helpFile, or says plainly that no help is
// installed. Modal over parent.
void showHelp(QWidget *parent, const QString &helpFile, int topic);
