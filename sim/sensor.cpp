// Command handling. The payloads of commands 2 and 4 to 9 carry whatever the
// program had in its record at the time; only command 9's first two words mean
// something, and only commands 1 and 3 store theirs.
#include "sensor.h"

#include "params.h"

#include <algorithm>
#include <cmath>

namespace qzan::sim {

namespace {

std::uint16_t roundedPixel(double x)
{
    return static_cast<std::uint16_t>(std::lround(std::clamp(x, 0.0, 65535.0)));
}

std::uint16_t tenthsLow16(double seconds)
{
    double tenths = std::clamp(seconds * 10.0, 0.0, 1e15);
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(tenths) & 0xFFFF);
}

} // namespace

Sensor::Sensor(const SceneConfig &scene, const Words &eeprom, bool answerWrites)
    : scene_(scene), ram_(eeprom), eeprom_(eeprom), answerWrites_(answerWrites)
{
}

std::optional<Reply> Sensor::handle(std::uint16_t command, const Words &words, double seconds)
{
    switch (command) {
    case kCmdWriteRam:
        ram_ = words;
        if (answerWrites_)
            return frameReply(command, ram_);
        return std::nullopt;
    case kCmdReadRam:
        return frameReply(command, ram_);
    case kCmdWriteEeprom:
        ram_ = words;
        eeprom_ = words;
        if (eepromSink_)
            eepromSink_(eeprom_);
        if (answerWrites_)
            return frameReply(command, eeprom_);
        return std::nullopt;
    case kCmdReadEeprom:
        return frameReply(command, eeprom_);
    case kCmdTeach:
        // While replaying, the measured value is the recording's.
        ram_[kTVal] =
            replay_ ? replay_->peek(seconds).measured : capture(seconds).measurement.value;
        return frameReply(command, ram_);
    case kCmdTeachBackground:
        scene_.render(seconds, ram_, frame_++, background_);
        backgroundTaught_ = true;
        return frameReply(command, ram_);
    case kCmdEcho: {
        Words echo{};
        echo[0] = kEchoWord;
        return frameReply(command, echo);
    }
    case kCmdMeasure:
        return measure(seconds);
    case kCmdDataBlock:
        return dataBlock(words, seconds);
    default:
        return std::nullopt;
    }
}

Sensor::Snapshot Sensor::capture(double seconds)
{
    Snapshot s;
    s.seconds = seconds;
    s.params = ram_;
    Line raw;
    scene_.render(seconds, ram_, frame_++, raw);
    s.saturated = std::find(raw.begin(), raw.end(), kFullScale) != raw.end();
    subtractBackground(raw, ram_, background_, s.line);
    s.measurement = evaluate(s.line, ram_);
    s.place = scene_.objectAt(seconds);
    return s;
}

Reply Sensor::frameReply(std::uint16_t command, const Words &words) const
{
    Reply reply;
    reply.command = command;
    reply.words.assign(words.begin(), words.end());
    auto frame = encodeFrame(command, words);
    reply.bytes.assign(frame.begin(), frame.end());
    return reply;
}

std::optional<Reply> Sensor::measure(double seconds)
{
    if (replay_)
        return measureReplayed(seconds);
    bool fromSnapshot = snapshot_ && seconds - snapshot_->seconds <= kSnapshotLifetimeSeconds;
    Snapshot s = fromSnapshot ? *snapshot_ : capture(seconds);
    snapshot_.reset();

    const Measurement &m = s.measurement;
    Words w{};
    w[0] = m.edge1;
    w[1] = m.edge2;
    w[2] = m.value;
    w[3] = ram_[kTVal];
    w[4] = ram_[kTTol];
    w[5] = m.windowStart;
    w[6] = m.edgeCount;
    w[7] = m.stateStart;
    w[8] = m.stateEnd;
    w[kMwLineMin] = m.lineMin;
    w[kMwLineMax] = m.lineMax;
    w[kMwTrueLeft] = scene_.config().object ? roundedPixel(s.place.left) : 0;
    w[kMwTrueRight] = scene_.config().object ? roundedPixel(s.place.right) : 0;
    w[kMwSceneTenths] = tenthsLow16(s.seconds);
    w[kMwFlags] = static_cast<std::uint16_t>((fromSnapshot ? kFlagFromSnapshot : 0)
                                             | (backgroundTaught_ ? kFlagBackgroundTaught : 0)
                                             | (s.saturated ? kFlagSaturated : 0));
    w[kMwSequence] = ++sequence_;
    return frameReply(kCmdMeasure, w);
}

// Words 0 to 8 as recorded, with the line states derived on loading; the
// line's extremes and the object's true place are not known (0); word 13 is
// the row's recorded time.
std::optional<Reply> Sensor::measureReplayed(double seconds)
{
    snapshot_.reset();
    const RecordedRow *row = replay_->take(seconds);
    if (!row)
        return std::nullopt;
    Words w{};
    w[0] = row->edge1;
    w[1] = row->edge2;
    w[2] = row->measured;
    w[3] = row->teach;
    w[4] = row->tolerance;
    w[5] = row->windowStart;
    w[6] = row->edges;
    w[7] = row->stateStart;
    w[8] = row->stateEnd;
    w[kMwSceneTenths] = static_cast<std::uint16_t>((row->timeMs / 100) & 0xFFFF);
    w[kMwFlags] = static_cast<std::uint16_t>(kFlagReplayed
                                             | (backgroundTaught_ ? kFlagBackgroundTaught : 0));
    w[kMwSequence] = ++sequence_;
    return frameReply(kCmdMeasure, w);
}

Reply Sensor::dataBlock(const Words &request, double seconds)
{
    const unsigned first = request[0];
    // Block 0 starts a data read: take the moment that its other blocks and
    // the measurement after them will show.
    if (first == 0 || !snapshot_ || seconds - snapshot_->seconds > kSnapshotLifetimeSeconds)
        snapshot_ = capture(seconds);

    auto data = lineData(snapshot_->line, snapshot_->params, snapshot_->measurement.windowStart);
    Reply reply;
    reply.command = kCmdDataBlock;
    reply.words.resize(kBlockValues, 0);
    for (std::size_t i = 0; i < kBlockValues; ++i) {
        // Indices past the 256 values read as 0.
        if (first + i < data.size())
            reply.words[i] = data[first + i];
    }
    reply.bytes = encodeRawWords(reply.words);
    return reply;
}

} // namespace qzan::sim
