#include "ptzcontrolapp.h"

#include "aboutdlg.h"
#include "helpviewer.h"
#include "ptzcontrolpanel.h"
#include "resource.h"

#include <QApplication>
#include <QKeyEvent>

CPtzControlApp::CPtzControlApp() : CPtzControlApp(createDefaultSerialControl, showHelp) {}

CPtzControlApp::CPtzControlApp(SerialControlFactory factory, HelpHandler help)
    : m_factory(std::move(factory)), m_help(std::move(help))
{}

int CPtzControlApp::helpTopicFor(const QWidget *window)
{
    if (dynamic_cast<const CAboutDlg *>(window))
        return HID_BASE_RESOURCE + IDD_ABOUTBOX;
    if (dynamic_cast<const CPtzControlDlg *>(window))
        return HID_BASE_RESOURCE + IDD_PTZCONTROL_DIALOG;
    return 0;
}

bool CPtzControlApp::HelpKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress) [[likely]]
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->key() != Qt::Key_F1 ||
        (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // The key reaches the window first, then the focus widget: answer it at the widget.
    if (!watched->isWidgetType())
        return false;
    QWidget *window = static_cast<QWidget *>(watched)->window();
    const int topic = helpTopicFor(window);
    if (topic == 0)
        return false;
    if (m_help)
        m_help(window, helpFilePath(), topic);
    return true;
}

bool CPtzControlApp::InitInstance()
{
    enableControlContainer(m_factory);
    HelpKey helpKey(m_help);
    qApp->installEventFilter(&helpKey);
    {
        CPtzControlDlg dlg;
        m_mainWnd = &dlg;
        dlg.DoModal();
        m_mainWnd = nullptr;
    }
    qApp->removeEventFilter(&helpKey);
    return false;
}
