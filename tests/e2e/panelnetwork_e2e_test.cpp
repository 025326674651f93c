// The panel on a network line end to end: the real tarn on Xvfb, a COM<n> link to an
// rfc2217:// name, a real ser2net serving a pseudo-terminal, and the frames read off that
// pseudo-terminal, the camera's side of the server.
#include "e2efixture.h"
#include "resource.h"
#include "ser2net.h"

#include <filesystem>

namespace {

class PanelNetworkEndToEnd : public PanelEndToEnd
{
protected:
    // Links COM1 in portsDir (first in the list, before any system port) to the server's
    // RFC 2217 port, starts the panel with configDir as its configuration folder, chooses COM1
    // at 9600 baud and holds UP.
    void holdUpThroughALinkIn(const std::string &portsDir, const std::string &configDir)
    {
        PtyPair camera;
        Ser2net server(camera.slavePath());
        std::filesystem::create_directories(portsDir);
        std::filesystem::permissions(portsDir, std::filesystem::perms::owner_all);
        std::filesystem::create_symlink(server.rfc2217Url(), portsDir + "/COM1");
        ASSERT_TRUE(startPanel({}, panelEnvironment({"XDG_CONFIG_HOME=" + configDir})));

        // The rate and framing reach the pseudo-terminal through the server.
        chooseNextPort(camera);
        ASSERT_EQ(lineSettingsDiffer(camera, 9600), "");

        moveTo(IDC_UP, 20, 20);
        xdotool({"mousedown", "1"});
        EXPECT_EQ(hex(camera.read(7, 10000)), "FF 01 00 08 00 3F 48");
        xdotool({"mouseup", "1"});
        EXPECT_EQ(hex(camera.read(7, 10000)), "FF 01 00 00 00 00 01");
        EXPECT_EQ(hex(camera.readUntilQuiet(300)), "");

        focusPanel();
        xdotool({"key", "Escape"});
        EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
    }
};

TEST_F(PanelNetworkEndToEnd, APortLinkedToAnRfc2217NameCarriesTheFrames)
{
    holdUpThroughALinkIn(m_portsDir, m_dir + "/config");
}

TEST_F(PanelNetworkEndToEnd, APinInTheConfigurationFolderCarriesTheFrames)
{
    holdUpThroughALinkIn(m_dir + "/config/tarn/ports", m_dir + "/config");
}

} // namespace
