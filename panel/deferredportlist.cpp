#include "deferredportlist.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QThread>

namespace {
// What the source gives, kept for the list's thread.
class RecordingSink : public PortListSink
{
public:
    explicit RecordingSink(std::vector<std::string> &names) : m_names(names) {}
    void ResetContent() override { m_names.clear(); }
    void AddString(const std::string &text) override { m_names.push_back(text); }

private:
    std::vector<std::string> &m_names;
};

// The port list keeps its items in text order, whatever order the source gives them in.
class SortedComboSink : public PortListSink
{
public:
    explicit SortedComboSink(QComboBox &combo) : m_combo(combo) {}

    void ResetContent() override { m_combo.clear(); }

    void AddString(const std::string &text) override
    {
        int low = 0;
        int high = m_combo.count();
        while (low < high) {
            const int mid = (low + high) / 2;
            if (portListLess(text, m_combo.itemText(mid).toStdString()))
                high = mid;
            else
                low = mid + 1;
        }
        m_combo.insertItem(low, QString::fromStdString(text));
    }

private:
    QComboBox &m_combo;
};

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}
} // namespace

DeferredPortList::DeferredPortList(QComboBox &list, QWidget &window, Reader read)
    : m_list(list), m_window(window), m_read(std::move(read))
{
    m_list.installEventFilter(this);
    if (m_list.lineEdit())
        m_list.lineEdit()->installEventFilter(this);
    m_window.installEventFilter(this);
}

DeferredPortList::~DeferredPortList()
{
    if (m_worker)
        m_worker->wait();
}

void DeferredPortList::start()
{
    if (m_worker || m_filled)
        return;
    const int generation = ++m_generation;
    m_worker.reset(QThread::create([this] {
        RecordingSink sink(m_names);
        m_read(sink);
    }));
    connect(m_worker.get(), &QThread::finished, this, [this, generation] {
        if (generation == m_generation)
            fill();
    });
    m_worker->start();
}

void DeferredPortList::fill()
{
    if (m_filled)
        return;
    if (m_worker) {
        m_worker->wait();
    } else {
        RecordingSink sink(m_names);
        m_read(sink);
    }
    m_filled = true;
    SortedComboSink list(m_list);
    list.ResetContent();
    for (const std::string &name : m_names)
        list.AddString(name);
    // A combo selects its first item by itself; the port list starts with none.
    m_list.setCurrentIndex(-1);
}

void DeferredPortList::reset()
{
    if (m_worker)
        m_worker->wait();
    m_worker.reset();
    ++m_generation;
    m_names.clear();
    m_list.clear();
    m_filled = false;
    if (m_startPosted) {
        m_startPosted = false;
        m_window.installEventFilter(this);
    }
}

void DeferredPortList::stop()
{
    ++m_generation;
    if (m_worker)
        m_worker->wait();
}

bool DeferredPortList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window) {
        // Started from the event loop, once this paint has reached the screen.
        if (event->type() == QEvent::Paint && !m_startPosted) {
            m_startPosted = true;
            m_window.removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this, generation = m_generation] {
                    if (generation == m_generation)
                        start();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
    if (!m_filled && isInput(event->type()))
        fill();
    return false;
}
