#include "aboutdlg.h"

#include "aboutbox.h"
#include "appresources.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent)
{
    // A fixed-size box with a title, the system menu and the close box: no other buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_controls = buildDialog(*this, aboutBoxTemplate(),
                             [](int, QSize size) { return appIcon().pixmap(size); });
    const auto ok = m_controls.byId.find(IDOK);
    if (ok != m_controls.byId.end())
        m_ok = qobject_cast<QPushButton *>(ok->second);
    if (m_ok) {
        // The box's OK is its default button: Enter anywhere in it is OK.
        m_ok->setDefault(true);
        connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

QPoint CAboutDlg::centredPosition(const QRect &parentFrame, const QSize &frameSize,
                                  const QRect &available)
{
    // Centres of the rectangles as the window system takes them: (left + right) / 2, with
    // right one past the last pixel.
    const int cx = (2 * parentFrame.x() + parentFrame.width()) / 2;
    const int cy = (2 * parentFrame.y() + parentFrame.height()) / 2;
    QPoint pos(cx - frameSize.width() / 2, cy - frameSize.height() / 2);
    if (pos.x() + frameSize.width() > available.x() + available.width())
        pos.setX(available.x() + available.width() - frameSize.width());
    if (pos.x() < available.x())
        pos.setX(available.x());
    if (pos.y() + frameSize.height() > available.y() + available.height())
        pos.setY(available.y() + available.height() - frameSize.height());
    if (pos.y() < available.y())
        pos.setY(available.y());
    return pos;
}

void CAboutDlg::centreOverParent()
{
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // The box's frame is not known before it is shown; take the owner's frame margins,
    // which the window manager gives the box too.
    QSize margins(0, 0);
    if (owner)
        margins = owner->frameGeometry().size() - owner->geometry().size();
    const QSize frameSize = size() + margins;
    const QRect over = owner ? owner->frameGeometry() : available;
    move(centredPosition(over, frameSize, available));
}

int CAboutDlg::DoModal()
{
    if (!m_ok || m_running)
        return -1;
    m_running = true;
    // Modal over its owner only: the help window, F1's, stays usable beside it.
    if (parentWidget())
        setWindowModality(Qt::WindowModal);
    centreOverParent();
    m_ok->setFocus(Qt::OtherFocusReason);
    const int result = exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    m_running = false;
    return result;
}
