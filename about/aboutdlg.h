// The About box: the icon, the product line, the copyright line and OK.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog
{
public:
    explicit CAboutDlg(QWidget *parent = nullptr);

    // Runs the box modally over its parent: 1 (IDOK) for OK or Enter, 2 (IDCANCEL) for Esc or
    // the close box, -1 when it cannot be created.
    int DoModal();
};
