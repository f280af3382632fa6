// ser2net for the network-port tests and benchmarks.
#include "ser2net_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <thread>

namespace qzan::test {

namespace {

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const sockaddr_in address = Loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

std::string Ser2NetProcess::Binary()
{
    for (const char *path : {"/usr/sbin/ser2net", "/usr/local/sbin/ser2net", "/usr/bin/ser2net"})
        if (::access(path, X_OK) == 0)
            return path;
    return "";
}

bool Ser2NetProcess::Start(const std::string &dir, const std::string &device, bool telnet,
                           const std::string &line)
{
    Stop();
    if (Binary().empty())
        return false;
    if (port_ == 0)
        port_ = FreePort();
    if (port_ == 0)
        return false;
    telnet_ = telnet;
    const std::string config = dir + "/ser2net.yaml";
    {
        std::ofstream out(config);
        out << "connection: &sensor\n"
            << "  accepter: " << (telnet ? "telnet(rfc2217),tcp," : "tcp,") << "127.0.0.1,"
            << port_ << "\n"
            << "  connector: serialdev," << device << "," << line << ",local\n"
            << "  options:\n"
            << "    kickolduser: true\n"
            << "    chardelay: false\n";
        if (!out)
            return false;
    }
    // -n: in the foreground; -u: no lock files in the system's folder.
    if (!child_.Spawn({Binary(), "-n", "-u", "-c", config, "-P", dir + "/ser2net.pid"},
                      dir + "/ser2net.err", false))
        return false;
    for (int i = 0; i < 100; ++i) {
        if (Accepts(port_)) {
            // The probe's connection opened and closed the device; let the
            // server finish with it before the real client comes.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    return false;
}

void Ser2NetProcess::Stop()
{
    if (child_.Running())
        child_.Kill();
}

std::string Ser2NetProcess::Url() const
{
    return std::string(telnet_ ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(port_);
}

} // namespace qzan::test
