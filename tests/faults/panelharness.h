// Running the real control panel in-process for fault tests and benchmarks: a port source with
// fixed names, the panel's modal run with a body inside it, and the operator's choice of a list
// item by the arrow key. No test framework, so the benchmarks use it too.
#pragma once

#include "portsource.h"
#include "ptzcontrolpanel.h"
#include "resource.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

class FixedPortSource : public PortSource
{
public:
    explicit FixedPortSource(std::vector<std::string> names) : m_names(std::move(names)) {}
    bool open() override { return true; }
    long enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                   std::uint32_t *dataSize) override
    {
        if (index >= m_names.size())
            return NoMoreItems;
        const std::string device = "/dev/tarn-test" + std::to_string(index);
        const std::string &text = m_names[index];
        if (device.size() >= *nameSize || text.size() >= *dataSize)
            return MoreData;
        std::memcpy(name, device.c_str(), device.size() + 1);
        *nameSize = static_cast<std::uint32_t>(device.size());
        std::memcpy(data, text.c_str(), text.size() + 1);
        *dataSize = static_cast<std::uint32_t>(text.size());
        return Success;
    }
    void close() override {}

private:
    std::vector<std::string> m_names;
};

// Runs the panel modally with body inside its loop; a panel still running afterwards is ended
// with 99. Returns DoModal's result.
inline int runPanel(CPtzControlDlg &panel, const std::function<void()> &body)
{
    QTimer::singleShot(0, &panel, [&] {
        body();
        if (panel.isVisible())
            panel.done(99);
    });
    return panel.DoModal();
}

// The operator moves a list's selection one item down with the arrow key: a choice.
inline void chooseNext(CPtzControlDlg &panel, int listId)
{
    auto *list = qobject_cast<QComboBox *>(panel.GetDlgItem(listId));
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
}

inline QWidget *centreOf(CPtzControlDlg &panel, int id, QPoint *pos)
{
    QWidget *w = panel.GetDlgItem(id);
    *pos = w->rect().center();
    return w;
}

inline void pressButton(CPtzControlDlg &panel, int id)
{
    QPoint pos;
    QWidget *w = centreOf(panel, id, &pos);
    QTest::mousePress(w, Qt::LeftButton, {}, pos);
}

inline void releaseButton(CPtzControlDlg &panel, int id)
{
    QPoint pos;
    QWidget *w = centreOf(panel, id, &pos);
    QTest::mouseRelease(w, Qt::LeftButton, {}, pos);
}

inline void clickButton(CPtzControlDlg &panel, int id)
{
    QPoint pos;
    QWidget *w = centreOf(panel, id, &pos);
    QTest::mouseClick(w, Qt::LeftButton, {}, pos);
}
