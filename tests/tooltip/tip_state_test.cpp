#include "tooltip/tip_state.h"

#include <gtest/gtest.h>

#include <map>

namespace fh {
namespace {

// Records timers and what the machine did; the test delivers the timers.
struct FakeHost : TipHost {
    std::map<unsigned, unsigned> timers;
    TipPoint cursor;
    std::vector<std::string> log;
    bool visible = false;
    bool animates = false;
    std::string replaceText = "<keep>";

    void StartTimer(unsigned id, unsigned ms) override { timers[id] = ms; }
    void StopTimer(unsigned id) override { timers.erase(id); }
    TipPoint CursorPos() override { return cursor; }
    void Display(TipWindow window, TipToolInfo& tool, TipPoint at) override {
        if (replaceText != "<keep>") tool.text = replaceText;
        log.push_back("display " + std::to_string(window) + " " + tool.text + " at " + std::to_string(at.x));
        visible = !tool.text.empty();
    }
    void Redraw(int transparency) override { log.push_back("redraw " + std::to_string(transparency)); }
    void HideWindow() override {
        log.push_back("hide");
        visible = false;
    }
    bool WindowVisible() override { return visible; }
    bool AnimationStep() override { return animates; }
    void MoveToCursor(TipPoint at) override { log.push_back("move " + std::to_string(at.x)); }
    bool Running(unsigned id) const { return timers.count(id) != 0; }
};

TipToolInfo Tool(const std::string& text, std::uint32_t behaviour = 0) {
    TipToolInfo t;
    t.text = text;
    t.behaviour = behaviour;
    t.mask = TIP_MASK_BEHAVIOUR;
    return t;
}

class TipStateTest : public ::testing::Test {
protected:
    FakeHost host;
    TipStateMachine tip{host};
    TipToolMap tools;

    // A relayed mouse move over window 7's tool (none elsewhere).
    void Move(int x, TipWindow window = 7, std::uint32_t behaviour = 0) {
        host.cursor = TipPoint{x, 10};
        tip.OnMouseMove(host.cursor, false, [&] {
            TipStateMachine::Found found;
            if (window) {
                found.window = window;
                found.tool = Tool("tip " + std::to_string(window), behaviour);
            }
            return found;
        });
    }
    void Fire(unsigned id) {
        if (host.Running(id)) tip.OnTimer(id);
    }
    void Paint() { tip.OnPaint(); }
};

TEST_F(TipStateTest, RestingForTheDelayShowsAndTheFirstMoveHides) {
    Move(5);
    EXPECT_EQ(500u, host.timers.at(TIMER_SHOW));
    // Moving before the delay has passed restarts it; a zero move changes nothing.
    Move(6);
    host.timers.erase(TIMER_SHOW);
    Move(6);
    EXPECT_FALSE(host.Running(TIMER_SHOW));
    Move(7);
    Fire(TIMER_SHOW);
    Paint();
    EXPECT_EQ(2, tip.State());
    EXPECT_EQ(std::vector<std::string>{"display 7 tip 7 at 7"}, host.log);
    EXPECT_EQ(5000u, host.timers.at(TIMER_HIDE));
    // Behaviour 0: the first move on the same tool hides it, at once without fades.
    Move(8);
    EXPECT_EQ(0, tip.State());
    EXPECT_EQ("hide", host.log.back());
    // It shows again only from another tool (or after leaving).
    Move(9, 0);
    Move(10);
    EXPECT_TRUE(host.Running(TIMER_SHOW));
}

TEST_F(TipStateTest, ShowIsDroppedWhenTheMouseMovedAndTheAutoPopHides) {
    Move(5);
    host.cursor.x = 50;  // the mouse moved without a relayed message
    Fire(TIMER_SHOW);
    EXPECT_TRUE(host.log.empty());
    Move(60);
    Fire(TIMER_SHOW);
    Paint();
    Fire(TIMER_HIDE);
    EXPECT_EQ(0, tip.State());
    EXPECT_EQ("hide", host.log.back());
}

TEST_F(TipStateTest, BehavioursMultipleShowNoAutoPopKeepOverTipTrack) {
    // 0x01: every move on the shown tool schedules it again.
    Move(5, 7, TIP_BEHAVIOUR_MULTIPLE_SHOW);
    Fire(TIMER_SHOW);
    Paint();
    Move(6, 7, TIP_BEHAVIOUR_MULTIPLE_SHOW);
    EXPECT_EQ(0, tip.State());
    EXPECT_TRUE(host.Running(TIMER_SHOW));
    EXPECT_EQ(0u, tip.CurrentWindow());  // forgotten when it hid

    // 0x10: no auto-pop timer.
    Move(20, 8, TIP_BEHAVIOUR_NO_AUTOPOP);
    Fire(TIMER_SHOW);
    Paint();
    EXPECT_EQ(2, tip.State());
    EXPECT_FALSE(host.Running(TIMER_HIDE));

    // 0x08: over the tip the auto-pop restarts instead of hiding.
    TipStateMachine keep(host);
    host.cursor = {30, 10};
    keep.OnMouseMove(host.cursor, false, [] { return TipStateMachine::Found{9, Tool("k", TIP_BEHAVIOUR_KEEP_OVER_TIP)}; });
    keep.OnTimer(TIMER_SHOW);
    keep.OnPaint();
    host.timers.erase(TIMER_HIDE);
    keep.OnMouseMove({31, 10}, true, [] { return TipStateMachine::Found{}; });
    EXPECT_EQ(2, keep.State());
    EXPECT_TRUE(host.Running(TIMER_HIDE));
    keep.OnMouseMove({32, 10}, false, [] { return TipStateMachine::Found{}; });
    EXPECT_EQ(0, keep.State());  // off every tool: hidden

    // 0x02: tracking moves the window to the cursor.
    TipStateMachine track(host);
    host.cursor = {40, 10};
    track.OnMouseMove(host.cursor, false, [] { return TipStateMachine::Found{9, Tool("t", TIP_BEHAVIOUR_TRACK_MOUSE)}; });
    track.OnTimer(TIMER_SHOW);
    track.OnPaint();
    track.OnMouseMove({45, 12}, false, [] { return TipStateMachine::Found{9, Tool("t", TIP_BEHAVIOUR_TRACK_MOUSE)}; });
    EXPECT_EQ("move 45", host.log.back());
    EXPECT_EQ(2, track.State());
}

TEST_F(TipStateTest, FadesStepTwentyPercentAndWaitingToolsFollow) {
    tip.settings.fadeIn = 30;
    tip.settings.fadeOut = 40;
    Move(5);
    Fire(TIMER_SHOW);
    Paint();
    EXPECT_EQ(1, tip.State());
    EXPECT_EQ("display 7 tip 7 at 5", host.log.back());
    EXPECT_EQ(100, tip.Transparency());
    EXPECT_EQ(30u, host.timers.at(TIMER_FADE_IN));
    for (int i = 0; i < 5; ++i) Fire(TIMER_FADE_IN);
    EXPECT_EQ(2, tip.State());
    EXPECT_EQ(0, tip.Transparency());
    EXPECT_EQ((std::vector<std::string>{"redraw 80", "redraw 60", "redraw 40", "redraw 20", "redraw 0"}),
              std::vector<std::string>(host.log.end() - 5, host.log.end()));
    EXPECT_TRUE(host.Running(TIMER_HIDE));

    // A new tool while the tip fades out waits for it to go.
    Move(6, 8);
    EXPECT_EQ(3, tip.State());
    EXPECT_TRUE(tip.ShowPending());
    for (int i = 0; i < 5; ++i) Fire(TIMER_FADE_OUT);
    EXPECT_EQ(0, tip.State());
    EXPECT_EQ("hide", host.log.back());
    EXPECT_TRUE(host.Running(TIMER_SHOW));
    Fire(TIMER_SHOW);
    EXPECT_EQ("display 8 tip 8 at 6", host.log.back());
}

TEST_F(TipStateTest, HideNowAnimationAndEmptyTexts) {
    Move(5);
    Fire(TIMER_SHOW);
    Paint();
    host.animates = true;
    tip.OnTimer(TIMER_ANIMATION);
    EXPECT_EQ("redraw 0", host.log.back());
    tip.HideNow();
    EXPECT_EQ(0, tip.State());
    EXPECT_TRUE(host.timers.empty());
    host.log.clear();
    tip.OnTimer(TIMER_ANIMATION);  // hidden: nothing to animate
    EXPECT_TRUE(host.log.empty());

    // The owner empties the text in the display notification: nothing shows,
    // and the timers still bring the machine back to rest.
    host.replaceText = "";
    Move(30, 9);
    Fire(TIMER_SHOW);
    EXPECT_FALSE(host.visible);
    Fire(TIMER_HIDE);
    EXPECT_EQ(0, tip.State());
}

TEST(TipTools, MapReplacesEqualRectanglesAndFindsByPoint) {
    TipToolMap map;
    TipToolInfo whole;
    whole.text = "whole";
    map.Add(1, whole);
    whole.text = "again";
    map.Add(1, whole);  // same (empty) rectangle: replaced
    ASSERT_EQ(1u, map.Tools(1)->size());
    EXPECT_EQ("again", map.Find(1, {500, 500})->text);

    TipToolInfo left, right;
    left.rect = TipRect{0, 0, 50, 20};
    left.text = "left";
    right.rect = TipRect{50, 0, 100, 20};
    right.text = "right";
    map.Add(2, left);
    map.Add(2, right);
    EXPECT_EQ("left", map.Find(2, {10, 5})->text);
    EXPECT_EQ("right", map.Find(2, {60, 5})->text);
    EXPECT_EQ(nullptr, map.Find(2, {200, 5}));
    EXPECT_EQ(nullptr, map.Find(3, {0, 0}));

    TipDefaults defaults;
    defaults.color = 0x123456;
    defaults.behaviour = TIP_BEHAVIOUR_MULTIPLE_SHOW;
    TipToolInfo own;
    own.mask = TIP_MASK_DIRECTION;
    own.direction = 2;
    ApplyTipDefaults(own, defaults);
    EXPECT_EQ(2, own.direction);
    EXPECT_EQ(0x123456u, own.color3);
    EXPECT_EQ(TIP_BEHAVIOUR_MULTIPLE_SHOW, own.behaviour);
}

}  // namespace
}  // namespace fh
