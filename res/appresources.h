// The program's resources: the application icon, the string table, the version block
// (versioninfo.h).
#pragma once

#include <QIcon>
#include <QString>

// IDR_MAINFRAME: the dome camera, 32x32 and 16x16, 16 colours each (the .ico's two images,
// read from their PNG copies).
QIcon appIcon();

// The compiled-in icon file (a Qt resource path), for readers that want the .ico itself.
QString appIconPath();

// A string of the string table by id (IDS_ABOUTBOX); empty when there is none.
QString loadString(int id);
