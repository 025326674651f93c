// The application: enables the control container, runs the control panel modally as the main
// window, and answers F1 for whichever of the panel and the About box holds the focus (a list
// dropped from the panel, or the panel's menu, count as the panel).
#pragma once

#include "controlcontainer.h"

#include <QObject>
#include <QString>

#include <functional>

class CPtzControlDlg;
class QWidget;

class CPtzControlApp
{
public:
    using HelpHandler = std::function<void(QWidget *parent, const QString &file, int topic)>;

    // The real serial control and the real help viewer unless others are given (tests).
    CPtzControlApp();
    CPtzControlApp(SerialControlFactory factory, HelpHandler help);

    // Runs the panel until it ends, then returns false: the program has no loop of its own.
    bool InitInstance();

    // The panel while it runs, else nullptr.
    CPtzControlDlg *mainWindow() const { return m_mainWnd; }

    // F1's topic for a window: 0x20066 in the panel, 0x20064 in the About box, 0 elsewhere.
    static int helpTopicFor(const QWidget *window);

    // A signal asks the program to end: the popups and boxes over the panel close, and the
    // panel ends through its close box's path (OnClose). Nothing while no panel runs.
    void OnEndSignal();

private:
    class HelpKey : public QObject
    {
    public:
        explicit HelpKey(CPtzControlApp &app) : m_app(app) {}
        bool eventFilter(QObject *watched, QEvent *event) override;

    private:
        CPtzControlApp &m_app;
    };

    static void closePopups();

    SerialControlFactory m_factory;
    HelpHandler m_help;
    CPtzControlDlg *m_mainWnd = nullptr;
};
