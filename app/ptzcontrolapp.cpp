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
    // A dropped list and a menu are popups of the window they came from, whose focus they
    // only borrow: F1 there is F1 in that window.
    QWidget *window = static_cast<QWidget *>(watched)->window();
    while (window->windowType() == Qt::Popup && window->parentWidget())
        window = window->parentWidget()->window();
    const int topic = helpTopicFor(window);
    if (topic == 0)
        return false;
    // The help engine's window takes the activation: popups close, and a hold stops.
    closePopups();
    if (CPtzControlDlg *panel = m_app.mainWindow())
        panel->PreTranslateMessage(HookMessage::MouseTaken, 0);
    if (m_app.m_help)
        m_app.m_help(window, helpFilePath(), topic);
    return true;
}

void CPtzControlApp::closePopups()
{
    // Bounded: a popup that refuses to close must not hold the program here.
    for (int i = 0; i < 16; ++i) {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        popup->close();
    }
}

void CPtzControlApp::OnEndSignal()
{
    CPtzControlDlg *panel = m_mainWnd;
    if (!panel)
        return;
    closePopups();
    // The boxes over the panel (About, a message) close first, so that their loops end too.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != panel && window->isVisible() && window->isModal())
            window->close();
    }
    panel->close();
}

bool CPtzControlApp::InitInstance()
{
    enableControlContainer(m_factory);
    HelpKey helpKey(*this);
    qApp->installEventFilter(&helpKey);
    {
        CPtzControlDlg dlg;
        m_mainWnd = &dlg;
        dlg.DoModal();
        closeHelp();
        m_mainWnd = nullptr;
    }
    qApp->removeEventFilter(&helpKey);
    return false;
}
