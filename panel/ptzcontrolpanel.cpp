#include "ptzcontrolpanel.h"

#include "aboutdlg.h"
#include "appresources.h"
#include "comportsource.h"
#include "controlcontainer.h"
#include "deferredportlist.h"
#include "errorreport.h"
#include "frameextents.h"
#include "holdtomovehook.h"
#include "portdiscovery.h"
#include "ptzcontroldlg.h"
#include "resource.h"
#include "windowgonewatch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

namespace {
class ComboAdapter : public ComboList
{
public:
    explicit ComboAdapter(const QComboBox &combo) : m_combo(combo) {}
    int GetCurSel() const override { return m_combo.currentIndex(); }
    std::string GetLBText(int index) const override
    {
        return m_combo.itemText(index).toStdString();
    }

private:
    const QComboBox &m_combo;
};

// Shift and Ctrl leave Enter and Esc what they are, as in the dialog manager; with Alt or the
// logo key they are other keys.
bool plainOrShifted(const QKeyEvent &event)
{
    return !(event.modifiers() & (Qt::AltModifier | Qt::MetaModifier));
}

bool isEnter(const QKeyEvent &event)
{
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) && plainOrShifted(event);
}

bool isEscape(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Escape && plainOrShifted(event);
}
} // namespace

CPtzControlDlg::CPtzControlDlg(QWidget *parent) : QDialog(parent), m_hIcon(appIcon()) {}

CPtzControlDlg::~CPtzControlDlg()
{
    // The control goes before the window; nothing may reach the handlers after it.
    if (m_running && m_hook)
        qApp->removeEventFilter(m_hook.get());
    m_hook.reset();
    m_ports.reset();
    m_actions.reset();
    m_connection.reset();
    if (m_comm)
        m_comm->setOnComm(nullptr);
    m_comm.reset();
}

QWidget *CPtzControlDlg::GetDlgItem(int controlId) const
{
    const auto it = m_controls.byId.find(controlId);
    return it == m_controls.byId.end() ? nullptr : it->second;
}

QObject *CPtzControlDlg::hook() const
{
    return m_hook.get();
}

int CPtzControlDlg::DoModal()
{
    if (m_running)
        return -1;
    if (!m_comm)
        m_comm = createSerialControl();
    if (!m_comm)
        return -1;
    if (!m_created)
        createWindow();
    OnInitDialog();

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        // Centred as a whole, frame included: a window manager's frame is not there before the
        // window shows, so it is asked for.
        create();
        const QMargins frame = expectedFrameExtents(*this);
        const QSize whole = size().grownBy(frame);
        const QPoint client = available.center() -
                              QPoint((whole.width() - 1) / 2, (whole.height() - 1) / 2) +
                              QPoint(frame.left(), frame.top());
        // move() takes the position of the frame that Qt knows so far.
        move(client - (geometry().topLeft() - pos()));
    }
    // The first control with a tab stop.
    if (QWidget *first = GetDlgItem(IDC_ZOOM_PLUS))
        first->setFocus(Qt::OtherFocusReason);

    m_running = true;
    qApp->installEventFilter(m_hook.get());
    // A window destroyed from outside ends the panel as the close box does, port closed first.
    WindowGoneWatch windowGone(static_cast<unsigned long>(winId()), [this] {
        QMetaObject::invokeMethod(
            this, [this] { OnClose(); }, Qt::QueuedConnection);
    });
    qApp->installNativeEventFilter(&windowGone);
    const int result = exec();
    m_ports->stop();
    qApp->removeNativeEventFilter(&windowGone);
    qApp->removeEventFilter(m_hook.get());
    m_running = false;
    return result;
}

void CPtzControlDlg::createWindow()
{
    m_created = true;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_controls = buildDialog(*this, ptzControlDialogTemplate());
    setWindowIcon(m_hIcon);

    m_portList = qobject_cast<QComboBox *>(GetDlgItem(IDC_PORT_LIST));
    m_baudList = qobject_cast<QComboBox *>(GetDlgItem(IDC_BAUD_LIST));
    // Listed once the window has been painted; input to the list waits for the ports.
    m_ports = std::make_unique<DeferredPortList>(*m_portList, *this, [this](PortListSink &sink) {
        if (m_portSource) {
            ::FillPortList(*m_portSource, sink);
        } else {
            ComPortSource source;
            ::FillPortList(source, sink);
        }
    });
    // The text boxes and the lists have menus of their own: their events pass the panel first,
    // for the keyboard's context menu request and, in the lists, Enter and Esc. The other
    // controls leave the request to the panel (contextMenuEvent).
    for (QWidget *control : m_controls.inOrder) {
        if (qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control))
            control->installEventFilter(this);
    }
    for (QComboBox *list : {m_portList, m_baudList}) {
        list->lineEdit()->installEventFilter(this);
        // A choice by the operator; a selection the program sets is none.
        connect(list, &QComboBox::activated, this, [this] { OnSelchangePortOrBaud(); });
    }

    const auto clicked = [this](int id, void (CPtzControlDlg::*handler)()) {
        connect(qobject_cast<QPushButton *>(GetDlgItem(id)), &QPushButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    clicked(IDC_GOTO_PRESET, &CPtzControlDlg::OnGotoPreset);
    clicked(IDC_SET_PRESET, &CPtzControlDlg::OnSetPreset);
    clicked(IDC_SAVE, &CPtzControlDlg::OnSave);

    m_actions = std::make_unique<CameraActions>(*m_comm, [this](int id) {
        const auto *edit = qobject_cast<const QLineEdit *>(GetDlgItem(id));
        return edit ? edit->text().toStdString() : std::string();
    });
    m_connection = std::make_unique<PortConnection>(*m_comm);
    m_comm->setOnComm([this] { OnSerialEvent(); });

    m_hook = std::make_unique<HoldToMoveHook>(
        [this](HookMessage message, int id) { PreTranslateMessage(message, id); });
    m_hook->setPanel(this);
    const auto buttons = holdToMoveButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        m_hook->setButton(i, GetDlgItem(buttons[i].controlId), buttons[i].controlId);
    // A held push button eats Esc; the panel takes it first (eventFilter).
    for (QWidget *control : m_controls.inOrder) {
        if (qobject_cast<QPushButton *>(control))
            control->installEventFilter(this);
    }

    // Alt+Space as on Windows; window managers mostly keep it for their own window menu, so the
    // keys that open a context menu on this desktop open the panel's menu too.
    for (const QKeySequence &keys :
         {QKeySequence(Qt::ALT | Qt::Key_Space), QKeySequence(Qt::Key_Menu),
          QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto *systemMenuKey = new QShortcut(keys, this);
        connect(systemMenuKey, &QShortcut::activated, this,
                [this] { showSystemMenu(mapToGlobal(QPoint(0, 0))); });
    }
}

bool CPtzControlDlg::OnInitDialog()
{
    m_baudList->clear();
    for (std::string_view rate : ptzBaudRates)
        m_baudList->addItem(QString::fromUtf8(rate.data(), qsizetype(rate.size())));

    delete m_systemMenu;
    m_systemMenu = new QMenu(this);
    m_systemMenu->addAction(QStringLiteral("&Move"), this, [this] { OnSysCommand(SC_MOVE); });
    m_systemMenu->addAction(QStringLiteral("&Close\tAlt+F4"), this,
                            [this] { OnSysCommand(SC_CLOSE); });
    const QString about = loadString(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        m_systemMenu->addSeparator();
        m_systemMenu->addAction(about, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }

    setWindowIcon(m_hIcon);
    // The port list is filled after the first paint (FillPortList, deferredportlist.h).
    m_ports->reset();
    qobject_cast<QLineEdit *>(GetDlgItem(IDC_ADDRESS))->setText(QStringLiteral("1"));
    qobject_cast<QLineEdit *>(GetDlgItem(IDC_PRESET_NUMBER))->setText(QStringLiteral("1"));
    m_baudList->setCurrentIndex(ptzInitialBaudIndex);
    return true;
}

void CPtzControlDlg::FillPortList()
{
    if (m_ports)
        m_ports->fill();
}

template <class Handler> bool CPtzControlDlg::reportingErrors(Handler &&handler)
{
    try {
        handler();
        return true;
    } catch (const CommError &error) {
        reportError(this, QString::fromStdString(error.description()));
    } catch (const std::exception &error) {
        reportError(this, QString::fromUtf8(error.what()));
    } catch (...) {
        reportError(this, QString());
    }
    return false;
}

void CPtzControlDlg::OnGotoPreset()
{
    reportingErrors([this] { m_actions->OnGotoPreset(); });
}

void CPtzControlDlg::OnSetPreset()
{
    reportingErrors([this] { m_actions->OnSetPreset(); });
}

void CPtzControlDlg::OnSave()
{
    reportingErrors([this] { m_actions->OnSave(); });
}

void CPtzControlDlg::OnSelchangePortOrBaud()
{
    reportingErrors([this] {
        m_connection->OnSelchangePortOrBaud(ComboAdapter(*m_portList), ComboAdapter(*m_baudList));
    });
}

void CPtzControlDlg::OnClose()
{
    // An interrupted hold stops while the port is still open.
    stopInterruptedHold();
    if (reportingErrors([this] { m_connection->OnClose(); }))
        done(IDCANCEL);
}

void CPtzControlDlg::stopInterruptedHold()
{
    if (m_actions)
        reportingErrors([this] { m_actions->StopInterruptedHold(); });
}

void CPtzControlDlg::done(int result)
{
    // Every way the panel ends passes here: a camera still moving for a held button stops.
    stopInterruptedHold();
    QDialog::done(result);
}

void CPtzControlDlg::OnSerialEvent()
{
    try {
        m_connection->OnSerialEvent();
    } catch (...) {
        // The control's event has no one to tell.
    }
}

void CPtzControlDlg::PreTranslateMessage(HookMessage message, int controlId)
{
    // While a failure of the hook waits for, or sits in, its message box, nothing is sent.
    if (m_hookReportPending)
        return;
    try {
        m_actions->PreTranslateMessage(message, controlId);
    } catch (const std::exception &error) {
        // Reported after the event has gone on to the button, so the button is not left
        // half-pressed under the box.
        m_hookReportPending = true;
        const QString text = QString::fromUtf8(error.what());
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                reportError(this, text);
                m_hookReportPending = false;
            },
            Qt::QueuedConnection);
    } catch (...) {
        m_hookReportPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                reportError(this, QString());
                m_hookReportPending = false;
            },
            Qt::QueuedConnection);
    }
}

void CPtzControlDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.DoModal();
        return;
    }
    switch (id & 0xFFF0) {
    case SC_MOVE:
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        break;
    case SC_CLOSE:
        close();
        break;
    default:
        break;
    }
}

void CPtzControlDlg::showSystemMenu(const QPoint &globalPos)
{
    if (m_systemMenu)
        m_systemMenu->popup(globalPos);
}

void CPtzControlDlg::keyPressEvent(QKeyEvent *event)
{
    if (isEscape(*event)) {
        done(IDCANCEL);
        return;
    }
    if (isEnter(*event)) {
        // No default button: Enter clicks the focused push button, else it is OK.
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        else
            done(IDOK);
        return;
    }
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CPtzControlDlg::eventFilter(QObject *watched, QEvent *event)
{
    // Esc is Cancel, also while a push button is held down (the button would take it to let
    // itself up).
    if (event->type() == QEvent::KeyPress && m_running) {
        const auto *button = qobject_cast<const QPushButton *>(watched);
        if (button && button->isDown() && isEscape(*static_cast<QKeyEvent *>(event))) {
            done(IDCANCEL);
            return true;
        }
    }
    // The Menu key arrives as a context menu request for the focused control (the window
    // system sends it before the key itself): it opens the panel's menu, not a text box's own.
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        showSystemMenu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    // Enter and Esc in a list's edit field, with its list closed, end the panel; they never
    // reach the combo box, which would match the typed text to an item.
    if (event->type() == QEvent::KeyPress && m_running) {
        auto *combo = qobject_cast<QComboBox *>(watched);
        if (!combo && watched->parent())
            combo = qobject_cast<QComboBox *>(watched->parent());
        if (combo && (combo == m_portList || combo == m_baudList) && !combo->view()->isVisible()) {
            const auto &key = *static_cast<QKeyEvent *>(event);
            if (isEnter(key)) {
                done(IDOK);
                return true;
            }
            if (isEscape(key)) {
                done(IDCANCEL);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPtzControlDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (m_running)
        OnClose();
}

void CPtzControlDlg::contextMenuEvent(QContextMenuEvent *event)
{
    // The system menu from the keyboard, at the panel's corner, and on the panel's background;
    // a control's own menu, or none, elsewhere.
    if (event->reason() == QContextMenuEvent::Keyboard)
        showSystemMenu(mapToGlobal(QPoint(0, 0)));
    else if (childAt(event->pos()) == nullptr)
        showSystemMenu(event->globalPos());
    else
        event->ignore();
}

void CPtzControlDlg::paintEvent(QPaintEvent *event)
{
    if (isMinimized()) {
        QPainter painter(this);
        const QSize size(32, 32);
        painter.drawPixmap((width() - size.width() + 1) / 2, (height() - size.height() + 1) / 2,
                           m_hIcon.pixmap(size));
        return;
    }
    QDialog::paintEvent(event);
}
