// Steps that act on the program while it runs, for tests that start it
// through WinMain: each step runs once its condition holds, polled from the
// event loop, so a step can act inside a wait that an earlier step started.
#ifndef TESTS_PROGRAM_SCRIPT_H
#define TESTS_PROGRAM_SCRIPT_H

#include <QTimer>

#include <cstddef>
#include <functional>
#include <vector>

// Steps run in order from a poller in the event loop. A step's action may
// itself run a long loop (the cycle, a dialog); the next step waits until it
// has returned, unless it is meant to act inside it (Stop inside the cycle).
class Script {
public:
    void Add(std::function<bool()> when, std::function<void()> action, bool inside = false);
    void Start();
    std::size_t Done() const { return next_; }

private:
    struct Step {
        std::function<bool()> when;
        std::function<void()> action;
        bool inside;
    };
    void Poll();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int busy_ = 0;
    QTimer poll_;
};

#endif
