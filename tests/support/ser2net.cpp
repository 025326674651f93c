#include "ser2net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Whether something listens on port of the loopback interface, read off the kernel's socket
// table: connecting to find out would make ser2net open its device.
bool listening(std::uint16_t port, bool ipv6)
{
    std::ifstream table(ipv6 ? "/proc/net/tcp6" : "/proc/net/tcp");
    std::string line;
    std::getline(table, line); // the heading
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", unsigned(port));
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == wanted)
            return true;
    }
    return false;
}

} // namespace

std::uint16_t freeLoopbackPort(bool ipv6)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage address{};
    socklen_t size = 0;
    if (ipv6) {
        auto *a = reinterpret_cast<sockaddr_in6 *>(&address);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_loopback;
        size = sizeof *a;
    } else {
        auto *a = reinterpret_cast<sockaddr_in *>(&address);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        size = sizeof *a;
    }
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("no free loopback port");
    }
    ::close(fd);
    return ntohs(ipv6 ? reinterpret_cast<sockaddr_in6 *>(&address)->sin6_port
                      : reinterpret_cast<sockaddr_in *>(&address)->sin_port);
}

Ser2net::Ser2net(const std::string &device) : Ser2net(device, Options{}) {}

Ser2net::Ser2net(const std::string &device, const Options &options) : m_ipv6(options.ipv6)
{
    std::string pattern = "/tmp/tarn-ser2net-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder for ser2net");
    m_dir = pattern;
    m_rfc2217Port = freeLoopbackPort(m_ipv6);
    m_rawPort = freeLoopbackPort();
    m_telnetPort = freeLoopbackPort();

    const std::string connector =
        "  connector: serialdev," + device + "," + options.connectorSettings + ",local\n";
    const std::string kick = std::string("  options:\n    kickolduser: ") +
                             (options.kickOldUser ? "true" : "false") + "\n";
    const std::string config = m_dir + "/ser2net.yaml";
    std::ofstream(config) << "%YAML 1.1\n---\n"
                          << "connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,"
                          << (m_ipv6 ? "::1" : "127.0.0.1") << "," << m_rfc2217Port << "\n"
                          << connector << kick << "connection: &raw\n  accepter: tcp,127.0.0.1,"
                          << m_rawPort << "\n"
                          << connector << kick
                          << "connection: &telnet\n  accepter: telnet,tcp,127.0.0.1,"
                          << m_telnetPort << "\n"
                          << connector << kick;

    const std::string log = m_dir + "/ser2net.log";
    m_pid = fork();
    if (m_pid == 0) {
        std::FILE *out = std::freopen(log.c_str(), "w", stdout);
        if (out)
            dup2(fileno(out), 2);
        execlp("ser2net", "ser2net", "-n", "-d", "-c", config.c_str(),
               static_cast<char *>(nullptr));
        // A user's PATH often lacks /usr/sbin, where Debian puts it.
        execl("/usr/sbin/ser2net", "ser2net", "-n", "-d", "-c", config.c_str(),
              static_cast<char *>(nullptr));
        _exit(127);
    }
    if (m_pid < 0)
        throw std::runtime_error("cannot start ser2net");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(listening(m_rfc2217Port, m_ipv6) && listening(m_rawPort, false) &&
             listening(m_telnetPort, false))) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            std::ifstream in(log);
            std::stringstream said;
            said << in.rdbuf();
            throw std::runtime_error("ser2net ended at once: " + said.str());
        }
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error("ser2net did not listen within 10 s");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

Ser2net::~Ser2net()
{
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

void Ser2net::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
}

std::string Ser2net::rfc2217Url() const
{
    return "rfc2217://" + std::string(m_ipv6 ? "[::1]" : "127.0.0.1") + ":" +
           std::to_string(m_rfc2217Port);
}

std::string Ser2net::rawUrl() const
{
    return "tcp://127.0.0.1:" + std::to_string(m_rawPort);
}
