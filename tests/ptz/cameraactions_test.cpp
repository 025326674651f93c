#include "cameraactions.h"
#include "hex.h"
#include "recordingcomm.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

// The camera actions on a recording control, with the boxes they read.
struct ActionsOnRecording
{
    RecordingComm comm;
    std::map<int, std::string> boxes{{IDC_ADDRESS, "1"}, {IDC_PRESET_NUMBER, "1"}};
    CameraActions actions{comm, [this](int id) { return boxes[id]; }};

    std::vector<std::string> sentHex() const
    {
        std::vector<std::string> out;
        for (const auto &bytes : comm.outputs)
            out.push_back(pelco::toHex(bytes.data(), bytes.size()));
        return out;
    }
};

class CameraActionsTest : public testing::Test, protected ActionsOnRecording
{};

using Strings = std::vector<std::string>;

TEST_F(CameraActionsTest, PressSendsTheButtonsFrameAndReleaseTheStop)
{
    struct Row
    {
        int id;
        const char *press;
    };
    const Row rows[] = {
        {IDC_ZOOM_PLUS, "FF 01 00 20 00 00 21"},  {IDC_ZOOM_MINUS, "FF 01 00 40 00 00 41"},
        {IDC_FOCUS_PLUS, "FF 01 00 80 00 00 81"}, {IDC_FOCUS_MINUS, "FF 01 01 00 00 00 02"},
        {IDC_UP, "FF 01 00 08 00 3F 48"},         {IDC_DOWN, "FF 01 00 10 00 3F 50"},
        {IDC_LEFT, "FF 01 00 04 3F 00 44"},       {IDC_RIGHT, "FF 01 00 02 3F 00 42"},
    };
    comm.open = true;
    for (const Row &row : rows) {
        comm.outputs.clear();
        actions.PreTranslateMessage(HookMessage::LeftButtonDown, row.id);
        actions.PreTranslateMessage(HookMessage::LeftButtonUp, row.id);
        EXPECT_EQ(sentHex(), (Strings{row.press, "FF 01 00 00 00 00 01"})) << row.id;
    }
}

TEST_F(CameraActionsTest, PressReadsPortOpenTwiceAndSendsOneOutputOfSevenBytes)
{
    comm.open = true;
    actions.PreTranslateMessage(HookMessage::LeftButtonDown, IDC_UP);
    EXPECT_EQ(comm.log, (Strings{"get PortOpen true", "get PortOpen true",
                                 "put Output FF 01 00 08 00 3F 48"}));
    ASSERT_EQ(comm.outputs.size(), 1u);
    EXPECT_EQ(comm.outputs[0].size(), 7u);
}

TEST_F(CameraActionsTest, ClosedPortSendsNothingAndAsksOnce)
{
    for (const auto &button : holdToMoveButtons()) {
        comm.log.clear();
        actions.PreTranslateMessage(HookMessage::LeftButtonDown, button.controlId);
        actions.PreTranslateMessage(HookMessage::LeftButtonUp, button.controlId);
        EXPECT_EQ(comm.log, (Strings{"get PortOpen false", "get PortOpen false"}));
    }
    EXPECT_TRUE(comm.outputs.empty());
}

TEST_F(CameraActionsTest, OtherMessagesInertButtonsAndNoControlSendNothing)
{
    comm.open = true;
    for (int id : {IDC_CENTER, IDC_LEFT_UP, IDC_RIGHT_UP, IDC_LEFT_DOWN, IDC_RIGHT_DOWN,
                   IDC_GOTO_PRESET, IDC_ADDRESS, IDC_ADDRESS_LABEL, 0}) {
        actions.PreTranslateMessage(HookMessage::LeftButtonDown, id);
        actions.PreTranslateMessage(HookMessage::LeftButtonUp, id);
    }
    comm.log.clear();
    actions.PreTranslateMessage(HookMessage::Other, IDC_UP);
    EXPECT_EQ(comm.log, Strings{"get PortOpen true"});
    EXPECT_TRUE(comm.outputs.empty());
}

TEST_F(CameraActionsTest, AddressIsReadAnewForEveryFrame)
{
    comm.open = true;
    actions.PreTranslateMessage(HookMessage::LeftButtonDown, IDC_LEFT);
    boxes[IDC_ADDRESS] = "  +7xyz";
    actions.PreTranslateMessage(HookMessage::LeftButtonUp, IDC_LEFT);
    boxes[IDC_ADDRESS] = "abc";
    actions.PreTranslateMessage(HookMessage::LeftButtonUp, IDC_LEFT);
    EXPECT_EQ(sentHex(),
              (Strings{"FF 01 00 04 3F 00 44", "FF 07 00 00 00 00 07", "FF 00 00 00 00 00 00"}));
}

TEST_F(CameraActionsTest, PresetButtonsReadTheNumberBoxByTheRule)
{
    comm.open = true;
    struct Row
    {
        const char *box;
        const char *gotoFrame;
        const char *setFrame;
    };
    for (const Row &row : {Row{"1", "FF 01 00 07 00 01 09", "FF 01 00 03 00 01 05"},
                           Row{"300", "FF 01 00 07 00 2C 34", "FF 01 00 03 00 2C 30"},
                           Row{"-1", "FF 01 00 07 00 FF 07", "FF 01 00 03 00 FF 03"},
                           Row{"", "FF 01 00 07 00 00 08", "FF 01 00 03 00 00 04"}}) {
        comm.outputs.clear();
        boxes[IDC_PRESET_NUMBER] = row.box;
        actions.OnGotoPreset();
        actions.OnSetPreset();
        EXPECT_EQ(sentHex(), (Strings{row.gotoFrame, row.setFrame})) << row.box;
    }
}

TEST_F(CameraActionsTest, ClearPresetSendsCommand5)
{
    comm.open = true;
    boxes[IDC_PRESET_NUMBER] = "12";
    actions.OnClearPreset();
    EXPECT_EQ(sentHex(), Strings{"FF 01 00 05 00 0C 12"});
}

TEST_F(CameraActionsTest, SaveSendsGotoThenSet130WhateverThePresetBox)
{
    comm.open = true;
    boxes[IDC_PRESET_NUMBER] = "77";
    actions.OnSave();
    EXPECT_EQ(sentHex(), (Strings{"FF 01 00 07 00 82 8A", "FF 01 00 03 00 82 86"}));
}

TEST_F(CameraActionsTest, PresetsIgnorePortOpenAndAClosedPortRaisesOnTheFirstFrame)
{
    EXPECT_THROW(actions.OnGotoPreset(), CommError);
    EXPECT_EQ(comm.log, Strings{"put Output FF 01 00 07 00 01 09"});

    comm.log.clear();
    EXPECT_THROW(actions.OnSave(), CommError);
    EXPECT_EQ(comm.log, Strings{"put Output FF 01 00 07 00 82 8A"}); // no second frame
}

TEST_F(CameraActionsTest, AnErrorInTheHookPassesToTheCallerUnchanged)
{
    comm.open = true;
    comm.failOn("put Output", "COM3: the device has gone");
    try {
        actions.PreTranslateMessage(HookMessage::LeftButtonDown, IDC_UP);
        FAIL() << "no error";
    } catch (const CommError &error) {
        EXPECT_EQ(error.description(), "COM3: the device has gone");
    }
    comm.failAtCall(comm.log.size(), "PortOpen failed");
    EXPECT_THROW(actions.PreTranslateMessage(HookMessage::Other, 0), CommError);
}

TEST_F(CameraActionsTest, EveryFrameIsFilledAnew)
{
    comm.open = true;
    boxes[IDC_ADDRESS] = "255";
    actions.OnGotoPreset();
    boxes[IDC_ADDRESS] = "2";
    actions.SendStop();
    const CommandFrame &frame = actions.frame();
    EXPECT_EQ(pelco::toHex(frame.bytes()), "FF 02 00 00 00 00 02");
}

// The one thing remembered: whether the hook's last frame was a motion not yet released. A
// hold cut short (StopInterruptedHold, or the hook's MouseTaken) sends the stop frame then,
// once, to the address the box holds at that moment, and never otherwise.
TEST_F(CameraActionsTest, AnInterruptedHoldStopsOnceAndOnlyAfterAnUnreleasedMotion)
{
    using Step = std::function<void(ActionsOnRecording &)>;
    const auto press = [](int id) {
        return Step([id](ActionsOnRecording &t) {
            t.actions.PreTranslateMessage(HookMessage::LeftButtonDown, id);
        });
    };
    const auto release = [](int id) {
        return Step([id](ActionsOnRecording &t) {
            t.actions.PreTranslateMessage(HookMessage::LeftButtonUp, id);
        });
    };
    const auto other = [](HookMessage message) {
        return Step(
            [message](ActionsOnRecording &t) { t.actions.PreTranslateMessage(message, 0); });
    };
    const Step interrupt = [](ActionsOnRecording &t) { t.actions.StopInterruptedHold(); };
    const Step open = [](ActionsOnRecording &t) { t.comm.open = true; };
    const Step close = [](ActionsOnRecording &t) { t.comm.open = false; };
    const Step address9 = [](ActionsOnRecording &t) { t.boxes[IDC_ADDRESS] = "9"; };
    const Step goTo = [](ActionsOnRecording &t) { t.actions.OnGotoPreset(); };
    const Step outputFails = [](ActionsOnRecording &t) { t.comm.failOn("put Output"); };

    const char *up = "FF 01 00 08 00 3F 48";
    const char *stop = "FF 01 00 00 00 00 01";
    struct Case
    {
        const char *name;
        std::vector<Step> steps;
        Strings sent;
    };
    const Case cases[] = {
        {"held, then cut short twice", {open, press(IDC_UP), interrupt, interrupt}, {up, stop}},
        {"the hook's own word for it",
         {open, press(IDC_UP), other(HookMessage::MouseTaken), other(HookMessage::MouseTaken)},
         {up, stop}},
        {"released first", {open, press(IDC_UP), release(IDC_UP), interrupt}, {up, stop}},
        {"a release that still comes adds its own",
         {open, press(IDC_UP), interrupt, release(IDC_UP)},
         {up, stop, stop}},
        {"no hold at all", {open, interrupt}, {}},
        {"pressed with the port closed", {press(IDC_UP), open, interrupt}, {}},
        {"the port closed during the hold",
         {open, press(IDC_UP), close, interrupt, open, interrupt},
         {up}},
        {"released while the port was closed",
         {open, press(IDC_UP), close, release(IDC_UP), open, interrupt},
         {up}},
        {"to the address the box holds then",
         {open, press(IDC_LEFT), address9, interrupt},
         {"FF 01 00 04 3F 00 44", "FF 09 00 00 00 00 09"}},
        {"a preset between does not end the hold",
         {open, press(IDC_UP), goTo, interrupt},
         {up, "FF 01 00 07 00 01 09", stop}},
        {"an inert button is no hold", {open, press(IDC_CENTER), interrupt}, {}},
        {"a release elsewhere does not end it",
         {open, press(IDC_UP), release(IDC_CENTER), other(HookMessage::Other), interrupt},
         {up, stop}},
        {"a double press",
         {open, press(IDC_UP), release(IDC_UP), other(HookMessage::Other), release(IDC_UP),
          interrupt},
         {up, stop, stop}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ActionsOnRecording t;
        for (const Step &step : c.steps)
            step(t);
        EXPECT_EQ(t.sentHex(), c.sent);
        EXPECT_FALSE(t.actions.motionUnreleased());
    }

    // A motion the control refused was not sent: nothing to stop.
    ActionsOnRecording t;
    open(t);
    outputFails(t);
    EXPECT_THROW(press(IDC_UP)(t), CommError);
    EXPECT_FALSE(t.actions.motionUnreleased());
    t.comm.log.clear();
    EXPECT_FALSE(t.actions.StopInterruptedHold());
    EXPECT_TRUE(t.comm.log.empty()) << "not even PortOpen is asked";
}

TEST_F(CameraActionsTest, AStopThatFailsIsForgottenAndPassesToTheCaller)
{
    comm.open = true;
    actions.PreTranslateMessage(HookMessage::LeftButtonDown, IDC_UP);
    comm.failOn("put Output", "COM3: the device has gone");
    EXPECT_THROW(actions.StopInterruptedHold(), CommError);
    comm.log.clear();
    EXPECT_FALSE(actions.StopInterruptedHold());
    EXPECT_TRUE(comm.log.empty());
}

} // namespace
