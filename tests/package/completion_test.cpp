// tarnctl's bash completion in a real bash: what Tab offers at each place of a command line,
// with two pseudo-terminals linked into a ports directory as COM200 and COM201 (numbers no
// hardware port of the machine takes).
#include "bashcompletion.h"

#include "ptypair.h"
#include "runprocess.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdlib.h>

namespace {

std::string list(const Words &words)
{
    std::string out;
    for (const std::string &word : words)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

class Completion : public testing::Test
{
protected:
    void SetUp() override
    {
        m_ports = m_runtime + "/tarn/ports";
        m_com200.linkAs(m_ports, 200);
        m_com201.linkAs(m_ports, 201);
    }
    BashCompletion bash() const
    {
        return BashCompletion(TARN_COMPLETION_FILE, {"XDG_RUNTIME_DIR=" + m_runtime});
    }

    TempDir m_dir{"tarn-completion"};
    std::string m_runtime = m_dir.path();
    std::string m_ports;
    PtyPair m_com200;
    PtyPair m_com201;
};

} // namespace

TEST_F(Completion, OffersWhatFitsWhereTheCursorIs)
{
    const std::string tarnctl = TARNCTL_PATH;
    struct Case
    {
        std::vector<std::string> words;
        std::string offered;
    };
    const Case cases[] = {
        {{tarnctl, "s"}, "send sim"},
        {{tarnctl, "--v"}, "--version"},
        {{tarnctl, "nonsense", "-"}, ""},
        {{tarnctl, "send", "--b"}, "--baud"},
        {{tarnctl, "monitor", "--"}, "--baud --help --help-all --port --protocol"},
        // --port: the COM names that tarnctl ports lists, by each way of writing the value.
        {{tarnctl, "send", "--port", "COM2"}, "COM200 COM201"},
        {{tarnctl, "monitor", "--port", "COM201"}, "COM201"},
        {{tarnctl, "send", "--port", "=", "COM20"}, "COM200 COM201"},
        {{tarnctl, "send", "--port=COM20"}, "--port=COM200 --port=COM201"},
        // A path is completed as a file; sim takes a new name, not one of the ports.
        {{tarnctl, "send", "--port", m_ports + "/COM20"},
         m_ports + "/COM200 " + m_ports + "/COM201"},
        {{tarnctl, "sim", "--port", ""}, ""},
        // The two network forms, after which the host is typed.
        {{tarnctl, "send", "--port", "t"}, "tcp://"},
        {{tarnctl, "probe", "--port", "rfc"}, "rfc2217://"},
        {{tarnctl, "sim", "--listen", ""}, ""},
        {{tarnctl, "send", "--baud", "1"}, "115200 19200"},
        {{tarnctl, "send", "--baud", "5"}, "56000 57600"},
        {{tarnctl, "sim", "--baud=96"}, "--baud=9600"},
        {{tarnctl, "sim", "--replies", ""}, "all none queries"},
        {{tarnctl, "monitor", "--protocol", ""}, "d p"},
        {{tarnctl, "frame", "--address", ""}, ""},
        {{tarnctl, "send", "--gap", ""}, ""},
        // Actions: after options and their values, not after a preset action (a number comes
        // next), as many as wanted in frame as in send.
        {{tarnctl, "frame", "zoom-"}, "zoom-speed zoom-tele zoom-to zoom-wide"},
        {{tarnctl, "frame", "--address", "=", "5", "focus-f"}, "focus-far"},
        {{tarnctl, "frame", "up", "st"}, "stop"},
        {{tarnctl, "frame", "up", "20", "go"}, "goto"},
        {{tarnctl, "frame", "goto", ""}, ""},
        {{tarnctl, "send", "--port", "COM200", "goto", ""}, ""},
        {{tarnctl, "send", "--port", "COM200", "goto", "5", "--gap", "100", "st"}, "stop"},
        {{tarnctl, "send", "up", "--baud", "2400", "cl"}, "clear"},
        // Speeds may follow a motion, and send also pauses; a lens mode is on, off or auto.
        {{tarnctl, "send", "--port", "COM200", "up", "20", "w"}, "wait"},
        {{tarnctl, "frame", "w"}, ""},
        {{tarnctl, "send", "--port", "COM200", "wait", ""}, ""},
        {{tarnctl, "frame", "auto-iris", ""}, "auto off on"},
        {{tarnctl, "frame", "pan-to", ""}, ""},
        {{tarnctl, "frame", "--protocol", ""}, "d p"},
        {{tarnctl, "send", "--protocol=", "p", "up-"}, "up-left up-right"},
        {{tarnctl, "pro"}, "probe"},
        {{tarnctl, "probe", "--port", "COM20"}, "COM200 COM201"},
        {{tarnctl, "probe", "--f"}, "--first"},
        {{tarnctl, "probe", "--port", "COM200", ""}, ""},
        {{tarnctl, "ports", ""}, ""},
        {{tarnctl, "monitor", ""}, ""},
    };
    const BashCompletion shell = bash();
    for (const Case &c : cases) {
        std::string line;
        for (std::size_t i = 1; i < c.words.size(); ++i)
            line += " " + c.words[i];
        EXPECT_EQ(list(shell.complete(c.words)), c.offered) << "tarnctl" << line;
        EXPECT_EQ(shell.problem(), "") << "tarnctl" << line;
    }
}

TEST_F(Completion, OffersThePortsThatTarnctlLists)
{
    const ProcessResult ports =
        runProcess("/usr/bin/env", {"XDG_RUNTIME_DIR=" + m_runtime, TARNCTL_PATH, "ports"});
    ASSERT_EQ(ports.status, 0) << ports.err;
    Words listed;
    std::stringstream lines(ports.out);
    for (std::string name, device; lines >> name >> device;)
        listed.insert(name);
    EXPECT_TRUE(listed.count("COM200") && listed.count("COM201")) << ports.out;
    Words offered = listed;
    offered.insert({"tcp://", "rfc2217://"});
    EXPECT_EQ(list(bash().complete({TARNCTL_PATH, "send", "--port", ""})), list(offered));
    // The tarnctl being completed is the one asked; one that is not there gives no ports (the
    // network forms alone), and no error either.
    EXPECT_EQ(list(bash().complete({m_runtime + "/no-tarnctl", "send", "--port", ""})),
              "rfc2217:// tcp://");
}

TEST_F(Completion, IsRegisteredForTarnctl)
{
    EXPECT_EQ(bash().registration(), "complete -F _tarnctl tarnctl\n");
}
