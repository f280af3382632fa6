// The limit alarm: it is raised when k of the last n answers lie outside the
// tolerance band, and it stays raised (latched) until the operator
// acknowledges it, even once the answers are back inside.
#ifndef CORE_QUALITY_ALARM_H
#define CORE_QUALITY_ALARM_H

#include <vector>

namespace qzan::quality {

class LimitAlarm {
public:
    // A rule outside 1 <= k <= n <= 1000 gives the rule 3 of 5.
    explicit LimitAlarm(int k = 3, int n = 5);

    // False, and nothing changes, unless 1 <= k <= n <= MOST_ANSWERS. A new
    // rule starts from an empty window: the condition no longer holds, but a
    // latched alarm stays latched.
    bool SetRule(int k, int n);

    enum class Change { None, Started, Ended };
    // Feeds one answer. Until n answers have come, the window holds those
    // there are, so k outside among the first ones already raise the alarm.
    Change Add(bool outside);

    bool Active() const { return active_; }   // the condition holds now
    bool Latched() const { return latched_; } // raised and not yet acknowledged
    // Clears the latch; a condition that still holds latches again only when
    // it has ended and starts anew.
    void Acknowledge() { latched_ = false; }

    int K() const { return k_; }
    int N() const { return n_; }
    int OutsideInWindow() const { return outsideCount_; }

    static constexpr int MOST_ANSWERS = 1000;

private:
    void Clear();

    int k_ = 3, n_ = 5;
    std::vector<bool> window_; // ring of the last n answers
    int next_ = 0;             // where the next answer goes
    int filled_ = 0;           // answers in the ring
    int outsideCount_ = 0;
    bool active_ = false;
    bool latched_ = false;
};

} // namespace qzan::quality

#endif
