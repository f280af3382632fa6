// ser2net as a child process on 127.0.0.1 in front of one serial device,
// raw or with Telnet line control, from a configuration file of its own.
#ifndef TESTS_SUPPORT_SER2NET_PROCESS_H
#define TESTS_SUPPORT_SER2NET_PROCESS_H

#include "child_process.h"

#include <string>

namespace qzan::test {

class Ser2NetProcess {
public:
    Ser2NetProcess() = default;
    ~Ser2NetProcess() { Stop(); }
    Ser2NetProcess(const Ser2NetProcess &) = delete;
    Ser2NetProcess &operator=(const Ser2NetProcess &) = delete;

    // The installed program, or "" when there is none.
    static std::string Binary();

    // Serves `device` (set to `line`, e.g. "9600n81", until a Telnet client
    // asks otherwise) with its configuration, its pid and its standard error
    // in `dir`. The TCP port is chosen free on the first start and kept for
    // later ones. False when it did not take connections within 5 s.
    bool Start(const std::string &dir, const std::string &device, bool telnet,
               const std::string &line = "9600n81");
    void Stop(); // SIGKILL: a server that dies, not one that says goodbye
    bool Running() const { return child_.Running(); }
    // tcp://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT
    std::string Url() const;

private:
    ChildProcess child_;
    int port_ = 0;
    bool telnet_ = false;
};

} // namespace qzan::test

#endif
