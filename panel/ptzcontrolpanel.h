// The control panel: the program's one working window, CPtzControlDlg, built from its template
// IDD_PTZCONTROL_DIALOG (res/ptzcontroldlg.h).
//
// It owns the serial control (from the control container), the camera actions and the port
// connection, and routes the operator's input to them: left presses and releases on the eight
// hold-to-move buttons through the application-wide hook, the preset buttons' clicks, the two
// lists' choices, the control's OnComm. Errors of the control in these paths reach the operator
// through reportError (errorreport.h) and the panel stays as it was.
//
// Keyboard as in a dialog without a default button: Enter or space on a focused push button
// clicks it; Enter elsewhere ends the panel with 1 (IDOK), Esc with 2 (IDCANCEL, also while a
// button is held down), neither closing the port; the close box closes the port first and ends
// with 2.
//
// A hold that ends without its release still stops the camera: the panel ending by any path,
// a popup, a modal window or another window taking the mouse or the activation send the stop
// frame once, if the last frame of the hold-to-move path was a motion not yet released. The panel's
// own menu (the system menu's part: Move, Close, About) opens with Alt+Space, the Menu key,
// Shift+F10 and a right click on the background.
//
// OnClearPreset exists in the camera actions, but no control carries IDC_CLEAR_PRESET, so
// nothing in the panel reaches it.
#pragma once

#include "cameraactions.h"
#include "dialogbuilder.h"
#include "mscomm.h"
#include "portconnection.h"
#include "portsource.h"

#include <QDialog>
#include <QIcon>

#include <array>
#include <memory>

class DeferredPortList;
class HoldToMoveHook;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;

// The system menu's own commands.
inline constexpr int SC_MOVE = 0xF010;
inline constexpr int SC_CLOSE = 0xF060;

class CPtzControlDlg : public QDialog
{
public:
    explicit CPtzControlDlg(QWidget *parent = nullptr);
    ~CPtzControlDlg() override;

    // The port list's source; the process's COM namespace unless set before DoModal.
    void setPortSource(PortSource *source) { m_portSource = source; }

    // Creates the serial control through the control container (-1 at once, no window, when it
    // cannot), builds the window, initialises it, centres it on the screen's available
    // geometry and runs it: 1 (Enter), 2 (Esc or the close box).
    int DoModal();

    QWidget *GetDlgItem(int controlId) const;
    const BuiltControls &controls() const { return m_controls; }
    CMSComm *comm() const { return m_comm.get(); }
    QMenu *systemMenu() const { return m_systemMenu; }
    // The application-wide hook (installed while DoModal runs).
    QObject *hook() const;
    const QIcon &icon() const { return m_hIcon; }

    void OnSysCommand(int id);
    void OnGotoPreset();
    void OnSetPreset();
    void OnSave();
    void OnSelchangePortOrBaud();
    // Stops an interrupted hold, closes the port if open, then ends the panel with 2; a failing
    // close is reported and the panel stays.
    void OnClose();
    void OnSerialEvent();
    // Fills the port list now, unless it is filled (it fills itself after the window's first
    // paint); waits for the ports if they are being listed.
    void FillPortList();
    QIcon OnQueryDragIcon() const { return m_hIcon; }

    // Every left press or release on a hold-to-move button. A failure is reported once the
    // event has been delivered; until that report is done the hook sends nothing.
    void PreTranslateMessage(HookMessage message, int controlId);

    void showSystemMenu(const QPoint &globalPos);

    // Ends the panel; an interrupted hold is stopped first.
    void done(int result) override;

protected:
    bool OnInitDialog();

    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createWindow();
    template <class Handler> bool reportingErrors(Handler &&handler);
    // Sends the stop frame for a hold cut short, reporting a failure at once.
    void stopInterruptedHold();

    std::unique_ptr<CMSComm> m_comm;
    std::unique_ptr<CameraActions> m_actions;
    std::unique_ptr<PortConnection> m_connection;
    std::unique_ptr<HoldToMoveHook> m_hook;
    std::unique_ptr<DeferredPortList> m_ports;
    QIcon m_hIcon;

    BuiltControls m_controls;
    QComboBox *m_portList = nullptr;
    QComboBox *m_baudList = nullptr;
    QMenu *m_systemMenu = nullptr;
    PortSource *m_portSource = nullptr;
    bool m_created = false;
    bool m_running = false;
    bool m_hookReportPending = false;
};
