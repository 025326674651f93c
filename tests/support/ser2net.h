// A real ser2net (the Debian package) for tests of network lines: started on the loopback
// interface with a config file of its own, its connector a pseudo-terminal's slave, stopped
// with the object.
//
// It offers the one device three ways: RFC 2217 (telnet(rfc2217)), raw TCP, and plain Telnet
// without the port option (a server that is not an RFC 2217 server). The device starts as the
// connector's settings say (2400 baud, 7 data bits, even parity, 2 stop bits unless given), so a
// line that reads 8N1 at another rate was set so by the client.
#pragma once

#include <cstdint>
#include <string>

class Ser2net
{
public:
    struct Options
    {
        std::string connectorSettings = "2400e72,rtscts,xonxoff";
        bool kickOldUser = false;
        bool ipv6 = false; // the RFC 2217 accepter on ::1 instead of 127.0.0.1
    };

    // Starts ser2net for device and waits until it listens; throws std::runtime_error if it
    // does not.
    explicit Ser2net(const std::string &device);
    Ser2net(const std::string &device, const Options &options);
    ~Ser2net(); // stops it
    Ser2net(const Ser2net &) = delete;
    Ser2net &operator=(const Ser2net &) = delete;

    std::uint16_t rfc2217Port() const { return m_rfc2217Port; }
    std::uint16_t rawPort() const { return m_rawPort; }
    std::uint16_t telnetPort() const { return m_telnetPort; }
    // "rfc2217://127.0.0.1:PORT", "tcp://127.0.0.1:PORT" ("[::1]" with ipv6).
    std::string rfc2217Url() const;
    std::string rawUrl() const;

    // Ends the server (SIGTERM), closing every connection it holds.
    void stop();

private:
    std::string m_dir;
    int m_pid = -1;
    bool m_ipv6 = false;
    std::uint16_t m_rfc2217Port = 0;
    std::uint16_t m_rawPort = 0;
    std::uint16_t m_telnetPort = 0;
};

// A TCP port on the loopback interface that nothing listens on just now.
std::uint16_t freeLoopbackPort(bool ipv6 = false);
