// The About box: the icon, the product line, the copyright line and OK.
#pragma once

#include "dialogbuilder.h"
#include "resource.h"

#include <QDialog>

class QPushButton;

class CAboutDlg : public QDialog
{
public:
    // F1 in the box asks for this topic of the help file.
    static constexpr int helpTopic = HID_BASE_RESOURCE + IDD_ABOUTBOX;

    // The controls are built from IDD_ABOUTBOX at once; the window is shown only by DoModal.
    explicit CAboutDlg(QWidget *parent = nullptr);

    // Runs the box modally over its parent, centred over the parent's frame and kept inside
    // the available geometry of the parent's screen, with the focus on OK: 1 (IDOK) for OK or
    // Enter, 2 (IDCANCEL) for Esc or the close box, -1 when it cannot be created (the template
    // gave no OK button, or the box is already running).
    int DoModal();

    // The built controls, in template order (icon, product line, copyright line, OK).
    const BuiltControls &controls() const { return m_controls; }

    // Where the box goes for a frame of frameSize: centred over parentFrame, then moved as
    // little as needed to lie inside available (left and top win when it cannot fit).
    static QPoint centredPosition(const QRect &parentFrame, const QSize &frameSize,
                                  const QRect &available);

private:
    void centreOverParent();

    BuiltControls m_controls;
    QPushButton *m_ok = nullptr;
    bool m_running = false;
};
