#include "aboutdlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent) {}

int CAboutDlg::DoModal()
{
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}
