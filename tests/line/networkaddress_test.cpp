#include "lineforname.h"
#include "networkaddress.h"
#include "rfc2217line.h"
#include "serialline.h"
#include "tcpline.h"

#include <gtest/gtest.h>

namespace {

using lines::NetworkAddress;

TEST(NetworkAddress, NamesIPv4AndBracketedIPv6Hosts)
{
    const struct
    {
        const char *name;
        NetworkAddress::Scheme scheme;
        const char *host;
        int port;
        const char *endpoint;
    } cases[] = {
        {"tcp://gate-pi:2001", NetworkAddress::Scheme::Tcp, "gate-pi", 2001, "gate-pi:2001"},
        {"rfc2217://192.168.1.20:4001", NetworkAddress::Scheme::Rfc2217, "192.168.1.20", 4001,
         "192.168.1.20:4001"},
        {"RFC2217://[::1]:65535", NetworkAddress::Scheme::Rfc2217, "::1", 65535, "[::1]:65535"},
        {"TCP://[fe80::1%eth0]:1", NetworkAddress::Scheme::Tcp, "fe80::1%eth0", 1,
         "[fe80::1%eth0]:1"},
    };
    for (const auto &c : cases) {
        const NetworkAddress a = lines::parseNetworkAddress(c.name);
        EXPECT_EQ(a.scheme, c.scheme) << c.name;
        EXPECT_EQ(a.host, c.host) << c.name;
        EXPECT_EQ(a.port, c.port) << c.name;
        EXPECT_EQ(a.endpoint(), c.endpoint) << c.name;
        EXPECT_TRUE(lines::isNetworkPortName(QString::fromLatin1(c.name)));
    }
}

TEST(NetworkAddress, AMalformedNameSaysWhatIsWrong)
{
    const struct
    {
        const char *name;
        const char *says;
    } cases[] = {
        {"tcp://gate-pi", "the port number is missing"},
        {"tcp://gate-pi:", "the port number is missing"},
        {"rfc2217://:2000", "the host is missing"},
        {"rfc2217://gate-pi:0", "the port must be a number from 1 to 65535, not \"0\""},
        {"rfc2217://gate-pi:65536", "the port must be a number from 1 to 65535, not \"65536\""},
        {"rfc2217://gate-pi:20a", "the port must be a number from 1 to 65535, not \"20a\""},
        {"rfc2217://gate-pi:-1", "not \"-1\""},
        {"tcp://::1:2000", "an IPv6 address goes in brackets"},
        {"tcp://[::1:2000", "the IPv6 address has no closing bracket"},
        {"tcp://[gate-pi]:2000", "gate-pi in brackets is not an IPv6 address"},
        {"tcp://[::1]2000", "the port number is missing"},
        {"tcp://user@gate-pi:2000", "is no host name"},
    };
    for (const auto &c : cases) {
        try {
            lines::parseNetworkAddress(c.name);
            ADD_FAILURE() << c.name << " was taken";
        } catch (const lines::LineError &e) {
            EXPECT_NE(e.text().indexOf(QString::fromLatin1(c.name) + " is not a network port: "),
                      -1)
                << e.what();
            EXPECT_NE(e.text().indexOf(QString::fromLatin1(c.says)), -1) << e.what();
        }
    }
}

TEST(MakeLine, ChoosesTheBackendByThePortName)
{
    EXPECT_TRUE(dynamic_cast<lines::TcpLine *>(lines::makeLine("tcp://gate-pi:2001").get()));
    EXPECT_TRUE(dynamic_cast<lines::Rfc2217Line *>(lines::makeLine("rfc2217://[::1]:2000").get()));
    EXPECT_TRUE(dynamic_cast<lines::Rfc2217Line *>(lines::makeLine("Rfc2217://x:1").get()));
    for (const char *serial : {"COM3", "/dev/ttyUSB0", "tcp:/x:1", "telnet://x:1"})
        EXPECT_TRUE(dynamic_cast<lines::SerialLine *>(lines::makeLine(serial).get())) << serial;

    EXPECT_EQ(lines::rateNotice("tcp://gate-pi:2001"),
              "tcp://gate-pi:2001 is a raw TCP line: its rate and format are set on the server "
              "and cannot be set from here (rfc2217:// can)");
    EXPECT_TRUE(lines::rateNotice("rfc2217://gate-pi:2000").isEmpty());
    EXPECT_TRUE(lines::rateNotice("COM3").isEmpty());
}

} // namespace
