// The program's resources: the application icon, the string table, the version block
// (versioninfo.h).
#pragma once

#include <QIcon>
#include <QString>

// IDR_MAINFRAME: the dome camera, 32x32 and 16x16, 16 colours each (res/tarn.ico's two
// images, compiled in as pixels: iconpixels.h).
QIcon appIcon();

// A string of the string table by id (IDS_ABOUTBOX); empty when there is none.
QString loadString(int id);
