// The simulator's line timing, noise and answers, on a clock the test sets. At 9600 baud a
// byte (ten bits) takes 10 / 9600 s, 1041666 ns (whole nanoseconds, rounded down).
#include "simulator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using pelco::PelcoEvent;
using BYTE = pelco::Byte;

namespace {

using Bytes = std::vector<BYTE>;
using Kind = Simulator::Report::Kind;

constexpr std::int64_t t0 = 5'000'000'000; // any start: the clock need not begin at 0
constexpr std::int64_t ms = 1'000'000;

const Bytes queryPan{0xFF, 0x01, 0x00, 0x51, 0x00, 0x00, 0x52};
const Bytes queryTilt{0xFF, 0x01, 0x00, 0x53, 0x00, 0x00, 0x54};
const Bytes panAt0{0xFF, 0x01, 0x00, 0x59, 0x00, 0x00, 0x5A};  // answer to queryPan
const Bytes tiltAt0{0xFF, 0x01, 0x00, 0x5B, 0x00, 0x00, 0x5C}; // answer to queryTilt
const Bytes panRightTop{0xFF, 0x01, 0x00, 0x02, 0x3F, 0x00, 0x42};
const Bytes stop{0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01};

const Simulator::Line heard{true, 9600};

Simulator simulatorAt(std::int64_t now, int baud = 9600)
{
    Simulator::Settings settings;
    settings.baud = baud;
    return Simulator(settings, now);
}

Simulator::Step feed(Simulator &sim, const Bytes &bytes, std::int64_t now, int lineBaud = 9600)
{
    return sim.received(bytes, lineBaud, now);
}

Bytes join(const Bytes &a, const Bytes &b)
{
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

TEST(SimulatorTiming, AByteTakesTenBitsAtTheCamerasBaud)
{
    EXPECT_EQ(simulatorAt(0, 9600).byteNs(), 1'041'666);
    EXPECT_EQ(simulatorAt(0, 2400).byteNs(), 4'166'666);
    EXPECT_EQ(simulatorAt(0, 115200).byteNs(), 86'805);
}

// The pseudo-terminal hands the bytes over at once; the frame ends when its last one would
// have come in, counted from the first read or from the end of the bytes still coming in.
TEST(SimulatorTiming, AFrameEndsWhenItsLastByteWouldHaveComeIn)
{
    struct Chunk
    {
        std::size_t from, to; // of queryPan
        std::int64_t readAt;  // after t0
    };
    const struct
    {
        const char *name;
        int baud;
        std::vector<Chunk> chunks;
        std::int64_t endsAfter; // t0
    } cases[] = {
        {"at once, 9600", 9600, {{0, 7, 0}}, 7'291'662},
        {"at once, 2400", 2400, {{0, 7, 0}}, 29'166'662},
        // Read while the first three are still coming in: the rest follows them.
        {"in two reads, back to back", 9600, {{0, 3, 0}, {3, 7, 1 * ms}}, 7'291'662},
        // Read after a pause: the rest starts when it was read.
        {"in two reads, with a pause", 9600, {{0, 3, 0}, {3, 7, 10 * ms}}, 14'166'664},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Simulator sim = simulatorAt(t0, c.baud);
        std::vector<Simulator::Report> reports;
        for (const Chunk &chunk : c.chunks) {
            const Bytes part(queryPan.begin() + long(chunk.from),
                             queryPan.begin() + long(chunk.to));
            auto step = feed(sim, part, t0 + chunk.readAt, c.baud);
            reports.insert(reports.end(), step.reports.begin(), step.reports.end());
        }
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].kind, Kind::Event);
        EXPECT_EQ(reports[0].event.type, PelcoEvent::Type::Frame);
        EXPECT_EQ(reports[0].event.bytes, queryPan);
        EXPECT_EQ(reports[0].lineNs, t0 + c.endsAfter);
    }
}

TEST(SimulatorTiming, AnAnswerGoesOutAfterTheCommandAndItsOwnSevenBytes)
{
    Simulator sim = simulatorAt(t0);
    const auto step = feed(sim, queryPan, t0);
    ASSERT_EQ(step.reports.size(), 1u);
    EXPECT_EQ(step.reports[0].note, "answers FF 01 00 59 00 00 5A");
    EXPECT_TRUE(step.writes.empty());

    const std::int64_t due = t0 + 14'583'324; // 7.29 ms in, then 7.29 ms out
    EXPECT_EQ(sim.nextDueNs(), due);
    EXPECT_TRUE(sim.advance(due - 1, heard).writes.empty());
    EXPECT_EQ(sim.advance(due, heard).writes, std::vector<Bytes>{panAt0});
    EXPECT_TRUE(sim.advance(due + 10 * ms, heard).writes.empty()); // sent once
}

TEST(SimulatorTiming, TwoQueuedAnswersGoOutBackToBack)
{
    Simulator sim = simulatorAt(t0);
    feed(sim, join(queryPan, queryTilt), t0);
    EXPECT_EQ(sim.nextDueNs(), t0 + 14'583'324);
    EXPECT_EQ(sim.advance(t0 + 14'583'324, heard).writes, std::vector<Bytes>{panAt0});
    EXPECT_EQ(sim.nextDueNs(), t0 + 21'874'986); // the tilt answer's 7 bytes after the first
    EXPECT_TRUE(sim.advance(t0 + 21'874'985, heard).writes.empty());
    EXPECT_EQ(sim.advance(t0 + 21'874'986, heard).writes, std::vector<Bytes>{tiltAt0});

    // Called late, both go at once, in order.
    Simulator late = simulatorAt(t0);
    feed(late, join(queryPan, queryTilt), t0);
    EXPECT_EQ(late.advance(t0 + 30 * ms, heard).writes, (std::vector<Bytes>{panAt0, tiltAt0}));
}

TEST(SimulatorTiming, AnAnswerNobodyHearsIsDropped)
{
    const struct
    {
        const char *name;
        Simulator::Line line;
    } cases[] = {
        {"nobody has the line", {false, 9600}},
        {"the line is at another speed", {true, 4800}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Simulator sim = simulatorAt(t0);
        feed(sim, queryPan, t0);
        EXPECT_TRUE(sim.advance(t0 + 20 * ms, c.line).writes.empty());
        EXPECT_TRUE(sim.advance(t0 + 40 * ms, heard).writes.empty()); // not kept for later
    }
}

// Bytes while the line is at another speed are one noise line, shown when the speed changes or
// the line has been quiet for 200 ms since the last of them.
TEST(SimulatorNoise, BytesAtAnotherSpeedAreOneNoiseLine)
{
    const Bytes garbage{0x12, 0x34, 0x56};
    {
        SCOPED_TRACE("quiet");
        Simulator sim = simulatorAt(t0);
        EXPECT_TRUE(feed(sim, garbage, t0, 4800).reports.empty());
        EXPECT_TRUE(feed(sim, queryPan, t0 + 100 * ms, 4800).reports.empty());
        EXPECT_EQ(sim.nextDueNs(), t0 + 300 * ms);
        EXPECT_TRUE(sim.advance(t0 + 300 * ms - 1, heard).reports.empty());
        const auto step = sim.advance(t0 + 300 * ms, heard);
        ASSERT_EQ(step.reports.size(), 1u);
        EXPECT_EQ(step.reports[0].kind, Kind::Noise);
        EXPECT_EQ(step.reports[0].noise, join(garbage, queryPan));
        EXPECT_EQ(step.reports[0].noiseBaud, 4800);
        EXPECT_EQ(step.reports[0].tail, "pan 0.0 tilt 0.0 zoom 1.0x focus 50");
        EXPECT_TRUE(step.writes.empty()); // a query in noise is not answered
        EXPECT_FALSE(sim.nextDueNs());
    }
    {
        SCOPED_TRACE("another wrong speed");
        Simulator sim = simulatorAt(t0);
        feed(sim, garbage, t0, 4800);
        const auto step = feed(sim, queryPan, t0 + 10 * ms, 2400);
        ASSERT_EQ(step.reports.size(), 1u);
        EXPECT_EQ(step.reports[0].noise, garbage);
        EXPECT_EQ(step.reports[0].noiseBaud, 4800);
        const auto later = sim.advance(t0 + 210 * ms, heard);
        ASSERT_EQ(later.reports.size(), 1u);
        EXPECT_EQ(later.reports[0].noise, queryPan);
        EXPECT_EQ(later.reports[0].noiseBaud, 2400);
    }
    {
        SCOPED_TRACE("the camera's speed again");
        Simulator sim = simulatorAt(t0);
        feed(sim, garbage, t0, 4800);
        const auto step = feed(sim, queryPan, t0 + 10 * ms, 9600);
        ASSERT_EQ(step.reports.size(), 2u);
        EXPECT_EQ(step.reports[0].kind, Kind::Noise);
        EXPECT_EQ(step.reports[0].noise, garbage);
        EXPECT_EQ(step.reports[1].kind, Kind::Event);
        EXPECT_EQ(step.reports[1].event.bytes, queryPan);
        EXPECT_EQ(step.reports[1].lineNs, t0 + 10 * ms + 7'291'662);
    }
}

TEST(SimulatorNoise, AFrameBegunAtTheRightSpeedEndsWhenTheSpeedChanges)
{
    Simulator sim = simulatorAt(t0);
    feed(sim, Bytes(queryPan.begin(), queryPan.begin() + 3), t0);
    const auto step = feed(sim, Bytes(queryPan.begin() + 3, queryPan.end()), t0 + 1 * ms, 4800);
    ASSERT_EQ(step.reports.size(), 1u);
    EXPECT_EQ(step.reports[0].event.type, PelcoEvent::Type::Incomplete);
    EXPECT_EQ(step.reports[0].event.bytes, (Bytes{0xFF, 0x01, 0x00}));
    // The rest is noise, not the end of that frame.
    const auto quiet = sim.advance(t0 + 201 * ms, heard);
    ASSERT_EQ(quiet.reports.size(), 1u);
    EXPECT_EQ(quiet.reports[0].noise, (Bytes{0x51, 0x00, 0x00, 0x52}));
}

TEST(SimulatorNoise, SkippedBytesAreShownOnceTheLineIsQuiet)
{
    Simulator sim = simulatorAt(t0);
    EXPECT_TRUE(feed(sim, Bytes{0x12, 0x34}, t0).reports.empty());
    EXPECT_TRUE(sim.advance(t0 + 199 * ms, heard).reports.empty());
    const auto step = sim.advance(t0 + 200 * ms, heard);
    ASSERT_EQ(step.reports.size(), 1u);
    EXPECT_EQ(step.reports[0].event.type, PelcoEvent::Type::Skipped);
    EXPECT_EQ(step.reports[0].event.bytes, (Bytes{0x12, 0x34}));
}

// Pan right at speed 0x3F is 60 degrees a second.
TEST(SimulatorMotion, TheCameraAdvancesByTheElapsedTime)
{
    Simulator sim = simulatorAt(t0);
    const auto start = feed(sim, panRightTop, t0);
    EXPECT_TRUE(start.stateChanged);
    EXPECT_EQ(sim.nextDueNs(), t0 + 50 * ms); // the motion tick

    const auto tick = sim.advance(t0 + 50 * ms, heard);
    EXPECT_TRUE(tick.stateChanged);
    EXPECT_NEAR(sim.camera().state().position.pan, 3.0, 1e-9);
    EXPECT_EQ(sim.nextDueNs(), t0 + 100 * ms);

    // A late call moves it by all the time since, not by one tick.
    sim.advance(t0 + 500 * ms, heard);
    EXPECT_NEAR(sim.camera().state().position.pan, 30.0, 1e-9);

    // A frame first brings the camera up to its time; the line shows the state after it.
    const auto stopped = feed(sim, stop, t0 + 750 * ms);
    ASSERT_EQ(stopped.reports.size(), 1u);
    EXPECT_EQ(stopped.reports[0].tail, "pan 45.0 tilt 0.0 zoom 1.0x focus 50");
    EXPECT_NEAR(sim.camera().state().position.pan, 45.0, 1e-9);

    // The tick due runs once more, finds it still, and stops; then only the quiet is due.
    sim.advance(t0 + 800 * ms, heard);
    EXPECT_EQ(sim.nextDueNs(), t0 + 950 * ms);
    sim.advance(t0 + 950 * ms, heard);
    EXPECT_FALSE(sim.nextDueNs());
    EXPECT_NEAR(sim.camera().state().position.pan, 45.0, 1e-9);
}

TEST(SimulatorMotion, AStillCameraHasNoTick)
{
    Simulator sim = simulatorAt(t0);
    EXPECT_FALSE(sim.nextDueNs());
    const auto step = feed(sim, stop, t0);
    EXPECT_TRUE(step.stateChanged);
    EXPECT_EQ(sim.nextDueNs(), t0 + 200 * ms); // the quiet timer only
    // Bytes that complete no frame change nothing.
    EXPECT_FALSE(feed(sim, Bytes{0xFF, 0x01}, t0 + 1 * ms).stateChanged);
}

TEST(SimulatorEnd, FinishShowsAFrameBegunAndNoiseHeldBack)
{
    Simulator sim = simulatorAt(t0);
    feed(sim, Bytes{0xFF, 0x01, 0x00}, t0);
    const auto frame = sim.finish(t0 + 1 * ms);
    ASSERT_EQ(frame.reports.size(), 1u);
    EXPECT_EQ(frame.reports[0].event.type, PelcoEvent::Type::Incomplete);

    Simulator noisy = simulatorAt(t0);
    feed(noisy, queryPan, t0, 19200);
    const auto noise = noisy.finish(t0 + 1 * ms);
    ASSERT_EQ(noise.reports.size(), 1u);
    EXPECT_EQ(noise.reports[0].kind, Kind::Noise);
    EXPECT_EQ(noise.reports[0].noiseBaud, 19200);
}

// A line of several cameras. Frames checked by hand: the checksum is the sum of bytes 2 to 6.
Simulator lineAt(std::int64_t now, std::vector<BYTE> addresses)
{
    Simulator::Settings settings;
    settings.addresses = std::move(addresses);
    return Simulator(settings, now);
}

const Bytes panRightTop2{0xFF, 0x02, 0x00, 0x02, 0x3F, 0x00, 0x43};
const Bytes panRightTop9{0xFF, 0x09, 0x00, 0x02, 0x3F, 0x00, 0x4A};
const Bytes setPreset1On3{0xFF, 0x03, 0x00, 0x03, 0x00, 0x01, 0x07};
const Bytes gotoPreset1On2{0xFF, 0x02, 0x00, 0x07, 0x00, 0x01, 0x0A};
const Bytes gotoPreset1On3{0xFF, 0x03, 0x00, 0x07, 0x00, 0x01, 0x0B};
const Bytes panTo90On2{0xFF, 0x02, 0x00, 0x4B, 0x23, 0x28, 0x98};
const Bytes queryPan2{0xFF, 0x02, 0x00, 0x51, 0x00, 0x00, 0x53};
const Bytes queryPan3{0xFF, 0x03, 0x00, 0x51, 0x00, 0x00, 0x54};
const Bytes pan90From2{0xFF, 0x02, 0x00, 0x59, 0x23, 0x28, 0xA6};
const Bytes pan0From3{0xFF, 0x03, 0x00, 0x59, 0x00, 0x00, 0x5C};

std::vector<double> pans(const Simulator &sim)
{
    std::vector<double> out;
    for (const VirtualCamera &camera : sim.cameras())
        out.push_back(camera.state().position.pan);
    return out;
}

TEST(SimulatorLine, HoldsItsCamerasInTheOrderOfTheirAddresses)
{
    const Simulator sim = lineAt(t0, {3, 1, 2, 3});
    ASSERT_EQ(sim.cameras().size(), 3u);
    EXPECT_EQ(sim.cameras()[0].address(), 1);
    EXPECT_EQ(sim.cameras()[1].address(), 2);
    EXPECT_EQ(sim.cameras()[2].address(), 3);
}

TEST(SimulatorLine, AFrameMovesTheCameraItNamesAndIsShownWithItsName)
{
    Simulator sim = lineAt(t0, {1, 2, 3});
    const auto step = feed(sim, panRightTop2, t0);
    ASSERT_EQ(step.reports.size(), 1u);
    EXPECT_EQ(step.reports[0].camera, std::optional<BYTE>(2));
    EXPECT_EQ(step.reports[0].note, "");
    EXPECT_EQ(step.reports[0].tail, "camera 2: pan 0.0 tilt 0.0 zoom 1.0x focus 50");
    for (std::int64_t t = t0 + 50 * ms; t <= t0 + 1000 * ms; t += 50 * ms)
        sim.advance(t, heard);
    EXPECT_EQ(pans(sim), (std::vector<double>{0.0, 60.0, 0.0}));

    // A frame for no camera on the line is said to be for its address, and names none.
    const auto nobody = feed(sim, panRightTop9, t0 + 1000 * ms);
    ASSERT_EQ(nobody.reports.size(), 1u);
    EXPECT_EQ(nobody.reports[0].note, "ignored: for address 9");
    EXPECT_EQ(nobody.reports[0].camera, std::nullopt);
    EXPECT_EQ(nobody.reports[0].tail, "");

    // Each camera keeps its own presets.
    feed(sim, setPreset1On3, t0 + 1100 * ms);
    const auto notSet = feed(sim, gotoPreset1On2, t0 + 1200 * ms);
    ASSERT_EQ(notSet.reports.size(), 1u);
    EXPECT_EQ(notSet.reports[0].note, "ignored: preset 1 is not set");
    EXPECT_EQ(notSet.reports[0].tail.rfind("camera 2: pan ", 0), 0u) << notSet.reports[0].tail;
    const auto set = feed(sim, gotoPreset1On3, t0 + 1300 * ms);
    ASSERT_EQ(set.reports.size(), 1u);
    EXPECT_EQ(set.reports[0].note, "");
    EXPECT_EQ(set.reports[0].tail, "camera 3: pan 0.0 tilt 0.0 zoom 1.0x focus 50");
}

// With one camera the lines stay as they always were: its state on every line, unnamed.
TEST(SimulatorLine, OneCameraShowsItsStateOnEveryLineUnnamed)
{
    Simulator sim = simulatorAt(t0);
    const auto other = feed(sim, panRightTop2, t0);
    ASSERT_EQ(other.reports.size(), 1u);
    EXPECT_EQ(other.reports[0].note, "ignored: for address 2");
    EXPECT_EQ(other.reports[0].tail, "pan 0.0 tilt 0.0 zoom 1.0x focus 50");
    const auto own = feed(sim, stop, t0 + 10 * ms);
    EXPECT_EQ(own.reports[0].tail, "pan 0.0 tilt 0.0 zoom 1.0x focus 50");
}

// Queries for different cameras, written at once: each is answered by the camera it names, in
// the order asked, each answer after its command and the answers before it. Command n (1..3)
// ends 7n bytes on; its answer 7 bytes after the later of that and the previous answer's end:
// after 14, 21 and 28 bytes.
TEST(SimulatorLine, EachQueryIsAnsweredByTheCameraItNamesInTurn)
{
    Simulator sim = lineAt(t0, {1, 2, 3});
    feed(sim, panTo90On2, t0);
    for (std::int64_t t = t0 + 50 * ms; t <= t0 + 1000 * ms; t += 50 * ms)
        sim.advance(t, heard);
    ASSERT_EQ(pans(sim), (std::vector<double>{0.0, 90.0, 0.0}));

    const std::int64_t t1 = t0 + 2000 * ms;
    const auto step = feed(sim, join(join(queryPan2, queryPan3), queryPan), t1);
    ASSERT_EQ(step.reports.size(), 3u);
    EXPECT_EQ(step.reports[0].note, "answers FF 02 00 59 23 28 A6");
    EXPECT_EQ(step.reports[1].note, "answers FF 03 00 59 00 00 5C");
    EXPECT_EQ(step.reports[2].note, "answers FF 01 00 59 00 00 5A");
    EXPECT_EQ(step.reports[2].camera, std::optional<BYTE>(1));
    const std::int64_t b = sim.byteNs();
    EXPECT_TRUE(sim.advance(t1 + 14 * b - 1, heard).writes.empty());
    EXPECT_EQ(sim.advance(t1 + 14 * b, heard).writes, std::vector<Bytes>{pan90From2});
    EXPECT_TRUE(sim.advance(t1 + 21 * b - 1, heard).writes.empty());
    EXPECT_EQ(sim.advance(t1 + 21 * b, heard).writes, std::vector<Bytes>{pan0From3});
    EXPECT_EQ(sim.advance(t1 + 28 * b, heard).writes, std::vector<Bytes>{panAt0});
    EXPECT_TRUE(sim.advance(t1 + 100 * ms, heard).writes.empty());
}

// Bytes that concern no camera show no state on a line of several.
TEST(SimulatorLine, NoiseNamesNoCamera)
{
    Simulator sim = lineAt(t0, {1, 2});
    feed(sim, queryPan2, t0, 4800);
    const auto step = sim.advance(t0 + 200 * ms, heard);
    ASSERT_EQ(step.reports.size(), 1u);
    EXPECT_EQ(step.reports[0].kind, Kind::Noise);
    EXPECT_EQ(step.reports[0].tail, "");
    EXPECT_EQ(step.reports[0].camera, std::nullopt);
}

} // namespace
