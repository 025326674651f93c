// What the tests of tarnctl's commands share: the real tarnctl run to its end, a runtime
// directory of the test's own, and the check of refused command lines.
#pragma once

#include "runprocess.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

inline ProcessResult runTarnctl(const std::vector<std::string> &args)
{
    return runProcess(TARNCTL_PATH, args, 60000);
}

// A runtime directory (mode 0700) and a configuration folder for every test, handed to tarnctl
// by XDG_RUNTIME_DIR and XDG_CONFIG_HOME: both ports directories are the test's own.
class TarnctlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        setenv("XDG_CONFIG_HOME", m_config.path().c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }

    const std::string &runtime() const { return m_runtime; }
    std::string portsDir() const { return m_runtime + "/tarn/ports"; }
    const std::string &config() const { return m_config.path(); }
    std::string pinsDir() const { return m_config.path() + "/tarn/ports"; }

    static ProcessResult tarnctl(const std::vector<std::string> &args) { return runTarnctl(args); }

private:
    TempDir m_dir{"tarnctl-test"};
    std::string m_runtime = m_dir.path();
    TempDir m_config{"tarnctl-config"};
};

struct RefusedLine
{
    std::vector<std::string> args;
    const char *mentions; // what the one line on standard error must name
};

// Each command line exits with status 2, prints nothing on standard output, and one line on
// standard error that holds its `mentions`.
inline void expectRefused(std::initializer_list<RefusedLine> lines)
{
    for (const RefusedLine &line : lines) {
        const ProcessResult r = runTarnctl(line.args);
        EXPECT_EQ(r.status, 2) << line.mentions;
        EXPECT_EQ(r.out, "") << line.mentions;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(line.mentions), std::string::npos) << r.err;
    }
}
