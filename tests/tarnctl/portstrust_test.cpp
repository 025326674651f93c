// tarnctl with a ports directory that someone else could have filled: its links are ignored with
// one line on standard error, the system's ports are listed as before, and the virtual camera
// refuses to put its link there.
#include "otheruser.h"
#include "ptypair.h"
#include "runprocess.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// How the directory is spoiled, and what tarnctl must say about it.
struct Spoil
{
    const char *name;
    const char *folder; // "", "/tarn" or "/tarn/ports" below the runtime directory
    mode_t mode;
    bool otherOwner; // the folder belongs to another user (needs root to arrange)
};

void PrintTo(const Spoil &spoil, std::ostream *out)
{
    *out << spoil.name;
}

class UntrustedPortsDir : public testing::TestWithParam<Spoil>
{
protected:
    void SetUp() override
    {
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }

    std::string portsDir() const { return m_runtime + "/tarn/ports"; }

    // Spoils the folder as the parameter says; returns why tarnctl must not trust it.
    std::string spoil()
    {
        const Spoil &how = GetParam();
        const std::string folder = m_runtime + how.folder;
        EXPECT_EQ(chmod(folder.c_str(), how.mode), 0);
        if (how.otherOwner) {
            EXPECT_EQ(chown(folder.c_str(), otherUser, otherUser), 0);
            return folder + " belongs to " + userName(otherUser) + ", not to " +
                   userName(geteuid());
        }
        return folder + " (owner " + userName(geteuid()) + ") is writable by " +
               (how.mode & S_IWOTH ? "every user" : "its group");
    }

    static ProcessResult tarnctl(const std::vector<std::string> &args)
    {
        return runProcess(TARNCTL_PATH, args, 15000);
    }

    TempDir m_base{"tarn-untrusted"};
    std::string m_runtime = m_base.path() + "/run";
};

TEST_P(UntrustedPortsDir, ItsLinksAreIgnoredWithOneLineSayingWhy)
{
    if (GetParam().otherOwner && geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    PtyPair camera;
    camera.linkAs(portsDir(), 5);
    const ProcessResult trusted = tarnctl({"ports"});
    ASSERT_EQ(trusted.status, 0) << trusted.err;
    ASSERT_EQ(trusted.err, "");
    const std::string linked = "COM5 " + camera.slavePath() + "\n";
    ASSERT_NE(trusted.out.find(linked), std::string::npos) << trusted.out;

    const std::string why = spoil();
    const std::string warning = "tarnctl: ignoring the links in " + portsDir() + ": " + why +
                                "; its ports are not listed\n";
    const ProcessResult listed = tarnctl({"ports"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.err, warning);
    // The system's ports as before: everything but the link, in the same order and numbers.
    std::string expected = trusted.out;
    expected.erase(expected.find(linked), linked.size());
    EXPECT_EQ(listed.out, expected);

    // Opening goes through the same namespace: the link's port is not there.
    const ProcessResult sent = tarnctl({"send", "--port", "COM5", "up"});
    EXPECT_EQ(sent.status, 1);
    EXPECT_EQ(sent.err, warning + "tarnctl: COM5 does not exist: there is no such port (tarnctl "
                                  "ports lists them)\n");
    EXPECT_TRUE(camera.readUntilQuiet(100).empty());
}

TEST_P(UntrustedPortsDir, TheVirtualCameraRefusesToLinkItsPortThere)
{
    if (GetParam().otherOwner && geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    for (const std::string &folder : {m_runtime, m_runtime + "/tarn", portsDir()}) {
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
    }
    const std::string why = spoil();
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"sim"}, std::vector<std::string>{"sim", "--port", "COM4"}}) {
        SCOPED_TRACE(args.back());
        const ProcessResult sim = tarnctl(args);
        EXPECT_EQ(sim.status, 1);
        EXPECT_EQ(sim.out, "");
        EXPECT_EQ(sim.err,
                  "tarnctl: refusing to put a port's link into " + portsDir() + ": " + why + "\n");
        EXPECT_TRUE(fs::is_empty(portsDir())) << "a link was made";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tarnctl, UntrustedPortsDir,
    testing::Values(Spoil{"RuntimeDirOfAnotherUser", "", 0777, true},
                    Spoil{"TarnFolderOfAnotherUser", "/tarn", 0700, true},
                    Spoil{"PortsDirOfAnotherUser", "/tarn/ports", 0755, true},
                    Spoil{"RuntimeDirWritableByAll", "", 01777, false},
                    Spoil{"TarnFolderWritableByItsGroup", "/tarn", 0770, false},
                    Spoil{"PortsDirWritableByAll", "/tarn/ports", 0777, false}),
    [](const auto &p) { return std::string(p.param.name); });

// Before the ports directory exists, the camera makes nothing in a folder it does not trust.
TEST(TarnctlSim, MakesNoFoldersInARuntimeDirectoryOthersCanWrite)
{
    const TempDir base("tarn-untrusted");
    const std::string runtime = base.path() + "/run";
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    ASSERT_EQ(chmod(runtime.c_str(), 0777), 0);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const ProcessResult sim = runProcess(TARNCTL_PATH, {"sim"}, 15000);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(sim.status, 1);
    EXPECT_EQ(sim.err, "tarnctl: refusing to put a port's link into " + runtime +
                           "/tarn/ports: " + runtime + " (owner " + userName(geteuid()) +
                           ") is writable by every user\n");
    EXPECT_TRUE(fs::is_empty(runtime));
}

} // namespace
