// Shared by the panel's widget tests: a fake port source, the recording control through the
// control container, an intercepted error reporter, and a way to drive the panel inside its
// modal run.
#pragma once

#include "controlcontainer.h"
#include "errorreport.h"
#include "portsource.h"
#include "ptzcontrolpanel.h"
#include "recordingcomm.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

class FakePortSource : public PortSource
{
public:
    explicit FakePortSource(std::vector<std::string> names) : m_names(std::move(names)) {}
    bool open() override { return true; }
    long enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                   std::uint32_t *dataSize) override
    {
        if (index >= m_names.size())
            return NoMoreItems;
        const std::string &text = m_names[index];
        // As the real source: a name that does not fit the list's buffer is not copied.
        if (text.size() + 1 > *dataSize)
            return MoreData;
        std::strncpy(name, "device", *nameSize);
        *nameSize = 6;
        std::memcpy(data, text.c_str(), text.size() + 1);
        *dataSize = std::uint32_t(text.size());
        return Success;
    }
    void close() override {}

private:
    std::vector<std::string> m_names;
};

class PanelTest : public testing::Test
{
protected:
    void SetUp() override
    {
        enableControlContainer([this] {
            auto control = std::make_unique<RecordingComm>();
            comm = control.get();
            return control;
        });
        setErrorReporter([this](const ErrorReport &report) {
            reports.push_back(report);
            if (onReport)
                onReport();
        });
        panel.setPortSource(&ports);
    }
    void TearDown() override
    {
        setErrorReporter({});
        disableControlContainer();
    }

    // Runs the panel modally and body inside its loop, once its port list is filled; a panel
    // body leaves running is ended with 99. Returns DoModal's result.
    int run(const std::function<void()> &body)
    {
        QTimer::singleShot(0, &panel, [&] {
            // Active, as the operator's window is: focus changes then happen as on a desktop.
            panel.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&panel));
            // The ports as the panel lists them after its first paint (deferredportlist_test
            // covers the time before).
            panel.FillPortList();
            body();
            if (panel.isVisible())
                panel.done(99);
        });
        return panel.DoModal();
    }

    template <class W = QWidget> W *item(int id) const
    {
        return qobject_cast<W *>(panel.GetDlgItem(id));
    }

    // What the control was asked since the last call.
    std::vector<std::string> takeLog()
    {
        auto log = std::exchange(comm->log, {});
        return log;
    }

    FakePortSource ports{{"COM3 (ttyUSB0)", "COM1 (ttyS0)", "COM10 (pts/2)", "COM2 (ttyS1)"}};
    CPtzControlDlg panel;
    RecordingComm *comm = nullptr;
    std::vector<ErrorReport> reports;
    std::function<void()> onReport;
};
