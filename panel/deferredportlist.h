// The panel's port list, filled after the window's first paint. Reading the port source (for
// the system's ports Qt asks udev about every tty: thousands of system calls) runs on a worker
// thread once the window has been painted, and its names go into the list on the panel's thread
// when it is done; so the window shows as soon as one without ports would. Until then the list
// is empty, and any input to it (a click, a key, the wheel) first waits for the ports and fills
// the list, so the operator never sees, steps through or chooses from a part of it.
#pragma once

#include "portdiscovery.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QThread;

class DeferredPortList : public QObject
{
public:
    // Fills the sink it is given from the port source; runs on the worker thread (or on the
    // list's thread when the list is wanted before the worker has started).
    using Reader = std::function<void(PortListSink &)>;

    // list: the sorted list the names go into. window: the window whose first paint starts the
    // reading.
    DeferredPortList(QComboBox &list, QWidget &window, Reader read);
    ~DeferredPortList() override; // waits for the worker

    // Starts reading on a worker thread, unless that has started or the list is filled; once
    // read, the names go into the list on this thread.
    void start();
    // Fills the list now unless it is filled: waits for the worker, or reads here.
    void fill();
    // Empties the list and forgets what was read; the window's next paint starts again.
    void reset();
    // For a window that has ended: a start still to come is dropped, and a reading under way
    // is waited for; the list stays as it is.
    void stop();
    bool filled() const { return m_filled; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox &m_list;
    QWidget &m_window;
    Reader m_read;
    std::unique_ptr<QThread> m_worker;
    int m_generation = 0;             // which worker a finished signal comes from
    std::vector<std::string> m_names; // what was read; the worker writes it until it ends
    bool m_startPosted = false;
    bool m_filled = false;
};
