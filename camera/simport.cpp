#include "simport.h"

#include "comnamespace.h"
#include "networkaddress.h"
#include "portsdirtrust.h"
#include "ttysettings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <vector>

namespace {

std::string errnoText()
{
    return std::strerror(errno);
}

// mkdir -p with mode 0700 for the parts that are missing.
void makeDirectories(const std::string &path)
{
    std::string sofar;
    std::size_t from = 0;
    while (from <= path.size()) {
        std::size_t slash = path.find('/', from);
        if (slash == std::string::npos)
            slash = path.size();
        sofar = path.substr(0, slash);
        from = slash + 1;
        if (sofar.empty())
            continue;
        if (mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST)
            throw VirtualPort::Error("cannot create " + sofar + ": " + errnoText());
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw VirtualPort::Error(path + " is not a directory");
}

// The rates termios names; others go through the line layer's setTtySpeed.
std::optional<speed_t> standardSpeed(int baud)
{
    static const std::pair<int, speed_t> speeds[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},
        {150, B150},       {200, B200},       {300, B300},       {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto &[rate, speed] : speeds)
        if (rate == baud)
            return speed;
    return std::nullopt;
}

enum class Entry { Free, Stale, Live, NotALink, Network };

Entry inspect(const std::string &path, std::string *target)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return Entry::Free;
    if (!S_ISLNK(st.st_mode))
        return Entry::NotALink;
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (target)
        *target = n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    if (n > 0 && lines::isNetworkPortName(QString::fromLocal8Bit(buffer, n)))
        return Entry::Network; // nothing on disk to find, and not stale for it
    if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return Entry::Stale;
    return Entry::Live;
}

} // namespace

VirtualPort::VirtualPort(const QString &portsDir, std::optional<int> number, int baud,
                         const QStringList &systemDevices, const QString &pinsDir)
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        throw Error("cannot create a pseudo-terminal: " + errnoText());
    m_slavePath = name;
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    // The line settings live on the slave and outlast its opens and closes while the master
    // stays open. The slave is not kept open here: a client may want it exclusively.
    struct termios tio;
    bool configured = tcgetattr(slave, &tio) == 0;
    if (configured) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        const auto speed = standardSpeed(baud);
        if (speed)
            cfsetspeed(&tio, *speed);
        configured =
            tcsetattr(slave, TCSANOW, &tio) == 0 && (speed || lines::setTtySpeed(slave, baud));
    }
    close(slave);
    if (!configured) {
        close(m_master);
        throw Error("cannot set up " + m_slavePath + ": " + errnoText());
    }

    try {
        const std::string dir = portsDir.toStdString();
        // Only into a directory that is ours alone: anyone else who could write it could swap
        // the link for one to another device. Checked before anything is made in it, and again
        // once the missing folders are there.
        const std::string runtime = ComNamespace::runtimeDirectory().toStdString();
        const auto refuseUntrusted = [&] {
            if (const auto why = portsDirectoryDistrust(dir, runtime, geteuid()))
                throw Error("refusing to put a port's link into " + dir + ": " + *why);
        };
        refuseUntrusted();
        makeDirectories(dir);
        refuseUntrusted();
        // The system's ports number themselves around the links: the numbers they hold now
        // are theirs.
        const QString pinned = pinsDir.isEmpty() ? ComNamespace::configPortsDirectory() : pinsDir;
        const ComNamespace current =
            ComNamespace::read(QStringList{portsDir, pinned}, systemDevices);
        auto pathOf = [&](int n) { return dir + "/COM" + std::to_string(n); };
        const std::string pins = pinned.toStdString();
        std::vector<int> candidates;
        if (number)
            candidates.push_back(*number);
        else
            for (int n = firstDefaultNumber; n <= 255; ++n)
                candidates.push_back(n);

        for (int n : candidates) {
            if (const auto held = current.find(n); held && !held->linked) {
                if (!number)
                    continue;
                throw Error("COM" + std::to_string(n) + " is taken by the system's serial port " +
                            held->device.toStdString());
            }
            const std::string pin = pins + "/COM" + std::to_string(n);
            struct stat st;
            if (lstat(pin.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
                if (!number)
                    continue;
                throw Error("COM" + std::to_string(n) + " is taken: " + pin +
                            " pins it in the configuration folder");
            }
            const std::string path = pathOf(n);
            std::string target;
            const Entry entry = inspect(path, &target);
            if (entry == Entry::Live || entry == Entry::NotALink || entry == Entry::Network) {
                if (!number)
                    continue;
                throw Error(
                    entry == Entry::Live ? "COM" + std::to_string(n) + " is taken: " + path +
                                               " links to " + target + ", a live device"
                    : entry == Entry::Network ? "COM" + std::to_string(n) + " is taken: " + path +
                                                    " links to " + target + ", a network line"
                                              : "COM" + std::to_string(n) + " is taken: " + path +
                                                    " is not a link, and is left alone");
            }
            if (entry == Entry::Free) {
                if (symlink(m_slavePath.c_str(), path.c_str()) == 0) {
                    m_number = n;
                    m_linkPath = path;
                    return;
                }
                if (errno == EEXIST && !number)
                    continue; // someone else took it just now
                throw Error("cannot create " + path + ": " + errnoText());
            }
            // Stale: replace it in one step, so nobody sees the name missing.
            const std::string temporary =
                dir + "/.COM" + std::to_string(n) + "." + std::to_string(getpid());
            ::unlink(temporary.c_str());
            if (symlink(m_slavePath.c_str(), temporary.c_str()) != 0 ||
                rename(temporary.c_str(), path.c_str()) != 0) {
                const std::string why = errnoText();
                ::unlink(temporary.c_str());
                throw Error("cannot replace the stale link " + path + ": " + why);
            }
            m_number = n;
            m_linkPath = path;
            return;
        }
        throw Error("no free port name from COM" + std::to_string(firstDefaultNumber) +
                    " to COM255 in " + dir);
    } catch (...) {
        close(m_master);
        throw;
    }
}

void VirtualPort::unlink()
{
    if (m_linkPath.empty())
        return;
    // Only our own link: a later simulator may have replaced it.
    std::string target;
    struct stat st;
    if (lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        inspect(m_linkPath, &target);
        if (target == m_slavePath)
            ::unlink(m_linkPath.c_str());
    }
    m_linkPath.clear();
}

VirtualPort::~VirtualPort()
{
    unlink();
    if (m_master >= 0)
        close(m_master);
}
