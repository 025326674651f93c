// cmake --install puts what an operator needs, and nothing else, under the prefix, and the
// installed programs work from there: tarnctl runs, the panel's help is found in share/tarn/,
// bash-completion finds the completion, the man pages render.
#include "bashcompletion.h"
#include "tarnctlhelp.h"

#include "helpviewer.h"
#include "runprocess.h"
#include "tempdir.h"
#include "versionjson.h"

#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdlib.h>

namespace {
namespace fs = std::filesystem;

class Installed : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_prefix = std::make_unique<TempDir>("tarn-install");
        const ProcessResult install = runProcess(
            CMAKE_COMMAND_PATH, {"--install", TARN_BINARY_DIR, "--prefix", prefix()}, 120000);
        ASSERT_EQ(install.status, 0) << install.out << install.err;
    }
    static void TearDownTestSuite() { s_prefix.reset(); }
    void SetUp() override { ASSERT_TRUE(fs::is_directory(prefix() + "/bin")); }

    static const std::string &prefix() { return s_prefix->path(); }
    static inline std::unique_ptr<TempDir> s_prefix;
};

// Width and height from a PNG's header (0 when it is not a PNG).
std::pair<int, int> pngSize(const std::string &bytes)
{
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return {0, 0};
    auto be32 = [&](std::size_t at) {
        return int(std::uint8_t(bytes[at])) << 24 | int(std::uint8_t(bytes[at + 1])) << 16 |
               int(std::uint8_t(bytes[at + 2])) << 8 | int(std::uint8_t(bytes[at + 3]));
    };
    return {be32(16), be32(20)};
}

} // namespace

TEST_F(Installed, EveryFileInItsPlaceAndNoOther)
{
    const Words expected = {
        "bin/tarn",
        "bin/tarnctl",
        "share/applications/tarn.desktop",
        "share/bash-completion/completions/tarnctl",
        "share/doc/tarn/changelog.gz",
        "share/doc/tarn/copyright",
        "share/icons/hicolor/16x16/apps/tarn.png",
        "share/icons/hicolor/32x32/apps/tarn.png",
        "share/man/man1/tarn.1.gz",
        "share/man/man1/tarnctl.1.gz",
        "share/tarn/tarn.hlp",
    };
    Words found;
    for (const auto &entry : fs::recursive_directory_iterator(prefix()))
        if (!entry.is_directory())
            found.insert(fs::relative(entry.path(), prefix()).string());
    EXPECT_EQ(found, expected);

    for (const char *program : {"/bin/tarn", "/bin/tarnctl"}) {
        const auto perms = fs::status(prefix() + program).permissions();
        EXPECT_NE(perms & fs::perms::others_exec, fs::perms::none) << program;
    }
    EXPECT_EQ(pngSize(readFile(prefix() + "/share/icons/hicolor/16x16/apps/tarn.png")),
              std::make_pair(16, 16));
    EXPECT_EQ(pngSize(readFile(prefix() + "/share/icons/hicolor/32x32/apps/tarn.png")),
              std::make_pair(32, 32));
    EXPECT_EQ(readFile(prefix() + "/share/tarn/tarn.hlp"),
              readFile(TARN_SOURCE_DIR "/res/help/tarn.hlp"));
    EXPECT_EQ(readFile(prefix() + "/share/applications/tarn.desktop"),
              readFile(TARN_BUILT_DESKTOP_FILE));
    EXPECT_NE(readFile(prefix() + "/share/doc/tarn/copyright").find("Copyright: 2026 Mirelda"),
              std::string::npos);
}

TEST_F(Installed, TheProgramsRunFromThePrefix)
{
    const std::string tarnctl = prefix() + "/bin/tarnctl";
    const ProcessResult version = runProcess(tarnctl, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tarnctl " + versionFromJson().dotted() + "\n");
    const ProcessResult frame = runProcess(tarnctl, {"frame", "up"});
    EXPECT_EQ(frame.status, 0) << frame.err;
    EXPECT_EQ(frame.out, "FF 01 00 08 00 3F 48\n");

    // The panel finds its help where an installed copy keeps it.
    const QString tarn = QString::fromStdString(prefix() + "/bin/tarn");
    EXPECT_EQ(findHelpFile(tarn).toStdString(), prefix() + "/share/tarn/tarn.hlp");
    EXPECT_TRUE(lookUpHelpTopic(findHelpFile(tarn), 0x20066).found);
    EXPECT_TRUE(lookUpHelpTopic(findHelpFile(tarn), 0x20064).found);
}

TEST_F(Installed, ManFindsThePagesAndBashCompletionTheCompletion)
{
    for (const char *page : {"tarn", "tarnctl"}) {
        const ProcessResult man = runProcess(
            "/usr/bin/env", {"LC_ALL=C.UTF-8", "MANWIDTH=80", "MANPATH=" + prefix() + "/share/man",
                             "man", "--warnings", "-E", "UTF-8", page});
        EXPECT_EQ(man.status, 0) << page << ": " << man.err;
        EXPECT_EQ(man.err, "") << page;
        EXPECT_NE(man.out.find("SYNOPSIS"), std::string::npos) << page << ":\n" << man.out;
    }

    // bash-completion loads completions on demand from share/bash-completion/completions under
    // each of XDG_DATA_DIRS (the system's /usr/share for a package).
    const std::string loader = "/usr/share/bash-completion/bash_completion";
    ASSERT_TRUE(fs::exists(loader)) << "bash-completion is not installed";
    const ProcessResult load = runProcess(
        "/usr/bin/env",
        {"XDG_DATA_DIRS=" + prefix() + "/share", "BASH_COMPLETION_USER_DIR=" + prefix() + "/none",
         "bash", "--norc", "--noprofile", "-c",
         "source " + loader + " && __load_completion tarnctl && complete -p tarnctl"});
    EXPECT_EQ(load.status, 0) << load.err;
    EXPECT_EQ(load.out, "complete -F _tarnctl tarnctl\n");
    // And what it loaded completes.
    const BashCompletion installed(prefix() + "/share/bash-completion/completions/tarnctl");
    EXPECT_EQ(installed.complete({prefix() + "/bin/tarnctl", "fr"}), Words{"frame"});
}
