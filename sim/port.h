// Where the simulator serves: a pseudo-terminal behind a stable link path, or
// a real serial device. Both hand the server one non-blocking descriptor.
#ifndef SIM_PORT_H
#define SIM_PORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qzan::sim {

class Port {
public:
    virtual ~Port() = default;
    virtual bool open(std::string &error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual int fd() const = 0;
    // What the "ready" line and the log name: the slave's or the device's path.
    virtual std::string name() const = 0;
    // Bytes written but not yet taken by the other side.
    virtual std::size_t unreadByPeer() const = 0;
    // A real line spends the answer's line time itself.
    virtual bool lineAddsAnswerTime() const = 0;
    // Whether opening again after the port was lost can bring it back.
    virtual bool reopenable() const = 0;
};

class PtyPort final : public Port {
public:
    PtyPort(std::string linkPath, std::uint32_t baud) : link_(std::move(linkPath)), baud_(baud) {}
    ~PtyPort() override { close(); }

    bool open(std::string &error) override;
    void close() override;
    bool isOpen() const override { return master_ >= 0; }
    int fd() const override { return master_; }
    std::string name() const override { return slavePath_; }
    std::size_t unreadByPeer() const override;
    bool lineAddsAnswerTime() const override { return false; }
    bool reopenable() const override { return true; }

private:
    std::string link_;
    std::uint32_t baud_;
    std::string slavePath_;
    int master_ = -1;
    // Held open (and never read) so that the master sees no hang-up while the
    // program closes and reopens its port.
    int slave_ = -1;
};

// A link path may replace a missing path or an existing symbolic link, never
// anything else.
bool checkLinkPath(const std::string &path, std::string &error);

class DevicePort final : public Port {
public:
    DevicePort(std::string path, std::uint32_t baud) : path_(std::move(path)), baud_(baud) {}
    ~DevicePort() override { close(); }

    bool open(std::string &error) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int fd() const override { return fd_; }
    std::string name() const override { return path_; }
    std::size_t unreadByPeer() const override;
    bool lineAddsAnswerTime() const override { return true; }
    // A lost adapter may come back under its name; a lost pseudo-terminal
    // never does, and its number soon belongs to somebody else's terminal.
    bool reopenable() const override { return !path_.starts_with("/dev/pts/"); }

private:
    std::string path_;
    std::uint32_t baud_;
    int fd_ = -1;
};

// Whether a real device can be set to this rate (0 counts as 19200).
bool deviceBaudSupported(std::uint32_t baud);

} // namespace qzan::sim

#endif
