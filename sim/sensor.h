// The sensor behind the line: RAM and EEPROM parameter sets, the scene it
// looks at, and the answer to each command 1 to 9. Knows no ports or clocks:
// the caller passes the scene time of each request.
#ifndef SIM_SENSOR_H
#define SIM_SENSOR_H

#include "evaluation.h"
#include "replay.h"
#include "scene.h"
#include "wire.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qzan::sim {

struct Reply {
    std::uint16_t command = 0;
    std::vector<std::uint16_t> words; // 16, or 64 for a data block
    std::vector<std::uint8_t> bytes;  // as they go on the wire
};

// Measurement answer words beyond the ones the program reads (0 to 8).
enum MeasureWord : std::size_t {
    kMwLineMin = 9,
    kMwLineMax = 10,
    kMwTrueLeft = 11,   // where the scene's object edges really are, rounded
    kMwTrueRight = 12,
    kMwSceneTenths = 13, // scene (or recorded) time in tenths of a second, low 16 bits
    kMwFlags = 14,
    kMwSequence = 15,    // counts measurement answers, low 16 bits, first is 1
};
enum MeasureFlag : std::uint16_t {
    kFlagFromSnapshot = 1,   // the line of the data blocks just read
    kFlagBackgroundTaught = 2,
    kFlagSaturated = 4,      // some pixel of the line reached full scale
    kFlagReplayed = 8,       // words 0 to 8 come from a recording
};

// A data read's four blocks and the measurement that follows them describe
// one moment; a snapshot older than this is not reused.
inline constexpr double kSnapshotLifetimeSeconds = 10.0;

class Sensor {
public:
    Sensor(const SceneConfig &scene, const Words &eeprom, bool answerWrites);

    // The answer to one request, or none (commands 1 and 3 without
    // answerWrites, unknown codes).
    std::optional<Reply> handle(std::uint16_t command, const Words &words, double seconds);

    // From now on measurements answer from the recording (see Replay); after
    // its end they get no answer. Everything else stays the scene's.
    void replayFrom(std::unique_ptr<Replay> replay) { replay_ = std::move(replay); }
    const Replay *replay() const { return replay_.get(); }

    // Called with the new set whenever command 3 writes the EEPROM.
    void onEepromWrite(std::function<void(const Words &)> sink) { eepromSink_ = std::move(sink); }

    const Words &ram() const { return ram_; }
    const Words &eeprom() const { return eeprom_; }
    const Scene &scene() const { return scene_; }
    bool backgroundTaught() const { return backgroundTaught_; }

private:
    struct Snapshot {
        double seconds = 0;
        Words params{};
        Line line{}; // after background subtraction
        Measurement measurement;
        ObjectPlace place{};
        bool saturated = false;
    };

    Snapshot capture(double seconds);
    Reply frameReply(std::uint16_t command, const Words &words) const;
    std::optional<Reply> measure(double seconds);
    std::optional<Reply> measureReplayed(double seconds);
    Reply dataBlock(const Words &request, double seconds);

    Scene scene_;
    Words ram_;
    Words eeprom_;
    bool answerWrites_;
    Line background_{};
    bool backgroundTaught_ = false;
    std::optional<Snapshot> snapshot_;
    std::uint64_t frame_ = 0;
    std::uint16_t sequence_ = 0;
    std::function<void(const Words &)> eepromSink_;
    std::unique_ptr<Replay> replay_;
};

} // namespace qzan::sim

#endif
