// Event-loop helpers and recorders for the serial tests.
#include "support.h"

#include "platform/rs232.h"
#include "platform/runtime/internal.h"
#include "platform/runtime/loop.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

int OpenLikeTheProgram(int port, const std::string &device)
{
    ::setenv(("QZAN_COM" + std::to_string(port)).c_str(), device.c_str(), 1);
    return OpenComConfig(port, "", 19200, COM_PARITY_NONE, 8, 1, 4096, 4096);
}

bool RunEvents(int ms, const std::function<bool()> &done)
{
    const double end = WallSeconds() + ms / 1000.0;
    while (!(done && done())) {
        if (WallSeconds() >= end)
            return false;
        ProcessSystemEvents();
    }
    return true;
}

bool WaitWithoutEvents(int ms, const std::function<bool()> &done)
{
    const double end = WallSeconds() + ms / 1000.0;
    while (!done()) {
        if (WallSeconds() >= end)
            return false;
        ::usleep(1000);
    }
    return true;
}

double WallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string Filler(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

std::string Frame(std::size_t length)
{
    std::string frame = Filler(length);
    frame.replace(0, 2, std::string("\x00\x55", 2));
    return frame;
}

void RecordingCallback(int port, int eventMask, void *callbackData)
{
    auto *log = static_cast<CallbackLog *>(callbackData);
    log->calledInsideOperation |= rt::InOperation();
    log->events.push_back(eventMask);
    if ((eventMask & COM_EV_NOTIFY) && log->readsPerCall > 0) {
        char buffer[256];
        log->readCounts.push_back(ComRd(port, buffer, log->readsPerCall));
        if (log->flushAfterRead)
            FlushInQ(port);
    }
}

StderrCapture::StderrCapture()
{
    m_file = std::tmpfile();
    if (!m_file)
        return;
    std::fflush(stderr);
    m_saved = dup(2);
    dup2(fileno(m_file), 2);
}

std::string StderrCapture::text()
{
    if (!m_file)
        return {};
    std::fflush(stderr);
    if (m_saved >= 0) {
        dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    std::string content;
    std::rewind(m_file);
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
        content.append(buffer, n);
    std::fclose(m_file);
    m_file = nullptr;
    return content;
}
