// Signals as calls on the event loop: never from inside the handler, each with its number, and
// the handlers that were there before come back when the watcher goes.
#include "signalwatcher.h"

#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace {

TEST(SignalWatcherTest, IntTermAndHupCallBackFromTheEventLoopWithTheirNumbers)
{
    std::vector<int> seen;
    const SignalWatcher watcher([&](int signal) { seen.push_back(signal); });
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(number);
        const std::size_t before = seen.size();
        ASSERT_EQ(std::raise(number), 0);
        EXPECT_EQ(seen.size(), before) << "called inside the handler";
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == before + 1; }));
        EXPECT_EQ(seen.back(), number);
    }
    // A closed reader's SIGPIPE does not end the program while the watcher lives.
    ASSERT_EQ(std::raise(SIGPIPE), 0);
}

TEST(SignalWatcherTest, TheOldHandlersComeBackWhenItGoes)
{
    const auto handler = [](int number) {
        struct sigaction now = {};
        sigaction(number, nullptr, &now);
        return now.sa_handler;
    };
    std::vector<void (*)(int)> before;
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        before.push_back(handler(number));
    {
        const SignalWatcher watcher([](int) {});
        EXPECT_NE(handler(SIGTERM), before[1]);
        EXPECT_EQ(handler(SIGPIPE), SIG_IGN);
    }
    std::size_t i = 0;
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        EXPECT_EQ(handler(number), before[i++]) << number;
}

} // namespace
