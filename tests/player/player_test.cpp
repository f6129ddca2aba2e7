// The player in the main window: the Flash control hosted for real (a
// stand-in registered under its class identifier), and the movie card where
// no control is registered.

#include "player/player_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "app/flickhold_app.h"
#include "discovery/archive_source.h"
#include "player/flash_host.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "support/canvas.h"
#include "support/dialog_driver.h"
#include "support/registry_fixture.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "support/temp_folder.h"
#include "support/test_dlg.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::TempFolder;
using test::TestDlg;

constexpr char kFlashKey[] = "CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";

SwfEntry Row(int id, const std::string& name, const std::string& path, bool folder = false) {
    SwfEntry e;
    e.id = id;
    e.name = name;
    e.path = path;
    e.isFolder = folder;
    e.sizeText = "1 234";
    return e;
}

// Lets the card's worker thread finish and its message arrive (5 s at most).
bool WaitForCard(const CPlayerWnd& player) {
    for (int i = 0; i < 500 && player.Reading(); ++i) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        if (player.Reading()) ::Sleep(10);
    }
    return !player.Reading();
}

// A shape of one colour, `width` x `height` pixels from the origin.
std::pair<unsigned, std::string> SquareShape(std::uint16_t id, std::uint32_t rgba, int width, int height) {
    test::ShapeWriter s(3);
    s.Solid(rgba);
    s.Styles(-1, 1, -1);
    s.Rect(0, 0, width * 20, height * 20);
    return s.Define(id);
}

class PlayerTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
    }
    std::unique_ptr<TestDlg> Open(const SwfEntryList& entries) {
        auto dlg = std::make_unique<TestDlg>("", SystemClock());
        dlg->nextEntries = entries;
        EXPECT_TRUE(dlg->Create(nullptr));
        return dlg;
    }
    TempFolder m_tmp;
};

// COM looks classes up in the machine's classes (Wine reads no per-user
// ones, and no redirected hive), so the stand-in is registered there for
// the test and removed after it; a real Flash registration is left alone.
class FlashPlayerTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        UniqueRegKey existing;
        if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kFlashKey, 0, KEY_READ, existing.Put()) == ERROR_SUCCESS)
            GTEST_SKIP() << "a Flash control is registered here";
        existing.Release();
        char exe[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string dll(exe);
        dll = dll.substr(0, dll.find_last_of('\\') + 1) + "flickhold_fake_flash.dll";
        UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kFlashKey) + "\\InprocServer32").c_str(),
                                                   0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
        ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                         static_cast<DWORD>(dll.size() + 1));
        ::RegSetValueExA(key.Get(), "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 10);
        m_registered = true;
    }
    void TearDown() override {
        if (m_registered) ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kFlashKey);
        PlayerTest::TearDown();
    }
    // What the stand-in recorded since the last call, a step a line.
    static std::vector<std::string> Steps() {
        HMODULE module = ::GetModuleHandleA("flickhold_fake_flash.dll");
        if (!module) return {"not loaded"};
        using LogFn = int(WINAPI*)(char*, int);
        auto log = reinterpret_cast<LogFn>(reinterpret_cast<void*>(::GetProcAddress(module, "FakeFlashLog")));
        char text[4096] = "";
        log(text, sizeof(text));
        std::vector<std::string> steps;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) steps.push_back(line);
        return steps;
    }
    static long LiveObjects() {
        using CountFn = LONG(WINAPI*)();
        auto count = reinterpret_cast<CountFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("flickhold_fake_flash.dll"), "FakeFlashObjects")));
        return count();
    }
    bool m_registered = false;
};

TEST_F(FlashPlayerTest, HostsTheControlSetsItUpPutsEachMovieOnceAndReleasesIt) {
    SetNumber(kProgramKey, "source", ChosenFolder);
    const std::string a = m_tmp.WriteFile("a.swf", test::SwfBytes('F', 64));
    const std::string b = m_tmp.WriteFile("b.swf", test::SwfBytes('F', 64));
    auto dlg = Open({Row(2, "..", "..", true), Row(3, "Sub", m_tmp.MakeFolder("Sub"), true), Row(4, "a", a),
                     Row(5, "b", b)});
    ASSERT_TRUE(dlg->Player().HostsFlash());
    EXPECT_EQ((std::vector<std::string>{"created", "SetClientSite", "activated in the parent", "WMode=Window",
                                        "Quality2=High", "AllowScriptAccess=never", "AllowNetworking=none", "Scale=ShowAll",
                                        "BGColor=FFFFFF"}),
              Steps());
    // Selecting a movie row puts its path once; folder rows put nothing.
    test::SelectRows(*dlg, {2});
    EXPECT_EQ(std::vector<std::string>{"movie=" + a}, Steps());
    test::SelectRows(*dlg, {1});
    test::SelectRows(*dlg, {0});
    EXPECT_EQ(std::vector<std::string>{}, Steps());
    test::SelectRows(*dlg, {3});
    EXPECT_EQ(std::vector<std::string>{"movie=" + b}, Steps());
    EXPECT_TRUE(dlg->Player().CardLines().empty());

    dlg->Destroy();
    EXPECT_EQ((std::vector<std::string>{"InPlaceDeactivate", "Close", "SetClientSite(null)", "released"}), Steps());
    EXPECT_EQ(0, LiveObjects());
}

TEST_F(PlayerTest, WithoutTheControlTheCardDescribesTheMovie) {
    test::SwfMovie swf;
    swf.signature = "ZWS";
    swf.version = 11;
    swf.tags = {{9, "\x20\x80\xC0"}};
    swf.frameCount = 12;
    const std::string movie = m_tmp.WriteFile("zws.swf", test::BuildSwf(swf));
    const std::string text = m_tmp.WriteFile("note.swf", "plain text, not a movie");
    auto dlg = Open({Row(2, "m", movie), Row(3, "n", text)});
    const CPlayerWnd& player = dlg->Player();
    ASSERT_FALSE(player.HostsFlash());
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.CardInfo());
    EXPECT_EQ(SwfStop::FirstFrame, player.CardInfo()->stop);
    const std::vector<CardLine>& lines = player.CardLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ("zws.swf", lines[0].label);
    auto value = [&](UINT id) {
        for (const CardLine& line : lines)
            if (line.label == LoadResString(id)) return line.value;
        return std::string("<missing>");
    };
    EXPECT_EQ("11", value(IDS_CARD_VERSION));
    EXPECT_EQ("LZMA", value(IDS_CARD_COMPRESSION));
    EXPECT_EQ("550 x 400", value(IDS_CARD_STAGE));
    EXPECT_EQ("12", value(IDS_CARD_FRAME_COUNT));
    EXPECT_EQ("1 234" + LoadResString(IDS_BYTES), value(IDS_LABEL_SIZE));
    // The hash from the header's read is the one the saving reads give.
    const std::string hash = MovieSha256(Row(2, "m", movie));
    ASSERT_EQ(64u, hash.size());
    EXPECT_EQ(hash.substr(0, 16), value(IDS_CARD_SHA256));

    // The stage is drawn at 550:400 in the movie's background colour.
    RECT client;
    ::GetClientRect(player.Handle(), &client);
    test::Canvas canvas(client.right, client.bottom);
    player.Render(canvas.DC(), client);
    const RECT stage = player.StageRect();
    ASSERT_GT(stage.right - stage.left, 0);
    EXPECT_NEAR(550.0 / 400, static_cast<double>(stage.right - stage.left) / (stage.bottom - stage.top), 0.02);
    EXPECT_EQ(RGB(0x20, 0x80, 0xC0), canvas.At((stage.left + stage.right) / 2, (stage.top + stage.bottom) / 2));

    test::SelectRows(*dlg, {1});
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_FALSE(player.CardInfo()->IsMovie());
    EXPECT_EQ(LoadResString(IDS_CARD_NOT_MOVIE), player.CardLines()[1].label);
    EXPECT_EQ(0, player.StageRect().right);
}

TEST_F(PlayerTest, TheCardIsReadAwayFromTheWindowAndTheNewestMovieWins) {
    // A first frame of 4 MB that does not compress: long to inflate.
    test::SwfMovie big;
    big.signature = "CWS";
    big.tags = {{9, "\x01\x02\x03"}, {77, test::Noise(4u << 20, 12345)}};
    const std::string large = m_tmp.WriteFile("large.swf", test::BuildSwf(big));
    test::SwfMovie small;
    small.tags = {{9, "\x40\x50\x60"}};
    const std::string quick = m_tmp.WriteFile("quick.swf", test::BuildSwf(small));
    auto dlg = Open({Row(2, "a", m_tmp.WriteFile("n.swf", "x")), Row(3, "b", large), Row(4, "c", quick)});
    const CPlayerWnd& player = dlg->Player();
    ASSERT_TRUE(WaitForCard(player));

    // Until the facts arrive the card says it is reading, with no stage.
    test::SelectRows(*dlg, {1});
    EXPECT_TRUE(player.Reading());
    ASSERT_EQ(2u, player.CardLines().size());
    EXPECT_EQ("large.swf", player.CardLines()[0].label);
    EXPECT_EQ(LoadResString(IDS_CARD_READING), player.CardLines()[1].label);
    EXPECT_FALSE(player.CardInfo());
    // A newer movie abandons it: only the newer facts ever reach the card.
    test::SelectRows(*dlg, {2});
    ASSERT_TRUE(WaitForCard(player));
    EXPECT_EQ("quick.swf", player.CardLines()[0].label);
    ASSERT_TRUE(player.CardInfo());
    EXPECT_EQ(std::optional<std::uint32_t>(0x405060), player.CardInfo()->background);
    for (int i = 0; i < 20; ++i) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(10);
    }
    EXPECT_EQ("quick.swf", player.CardLines()[0].label);

    // Read to its end, the large movie's card has its facts.
    test::SelectRows(*dlg, {1});
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.CardInfo());
    EXPECT_EQ(std::optional<std::uint32_t>(0x010203), player.CardInfo()->background);
    // A window closed during a read ends it without waiting for it.
    test::SelectRows(*dlg, {2});
    test::SelectRows(*dlg, {1});
    dlg->Destroy();
}

TEST_F(PlayerTest, TheBuiltInRendererPlaysPausesStepsAndSaysScriptsWereCut) {
    using Tags = std::vector<std::pair<unsigned, std::string>>;
    auto square = [](std::uint16_t id, std::uint32_t rgba) { return SquareShape(id, rgba, 550, 400); };
    // A sprite's script jumps back to itself for ever: it is cut, once (the
    // sprite stays as the movie loops), and the movie plays on.
    const Tags tags = {square(1, 0xFF0000FF), square(2, 0x0000FFFF),
                       test::Sprite(3, {{12, std::string("\x99\x02\x00\xFB\xFF\x00", 6)}, test::ShowFrame()}),
                       test::Place(3, 3), test::Place(1, 1), test::ShowFrame(), test::Remove(1), test::Place(1, 2), test::ShowFrame()};
    const std::string movie = m_tmp.WriteFile("two.swf", test::MovieOf(550, 400, tags));
    const std::string plain = m_tmp.WriteFile("plain.swf", test::MovieOf(550, 400, {square(1, 0x00FF00FF), test::Place(1, 1), test::ShowFrame()}));
    auto dlg = Open({Row(2, "m", movie), Row(3, "p", plain)});
    const CPlayerWnd& player = dlg->Player();
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.Drawing());
    auto value = [&](UINT id) {
        for (const CardLine& line : player.CardLines())
            if (line.label == LoadResString(id)) return line.value;
        return std::string("<missing>");
    };
    char cut[256];
    std::snprintf(cut, sizeof cut, LoadResString(IDS_CARD_SCRIPTS_CUT).c_str(), 1);
    EXPECT_EQ(cut, value(IDS_CARD_SCRIPTS));
    auto centre = [&]() {
        const std::vector<std::uint32_t> pixels = player.StagePixels();
        const RECT box = player.StageRect();
        const int w = box.right - box.left, h = box.bottom - box.top;
        return pixels.size() == static_cast<std::size_t>(w) * h ? pixels[(h / 2) * w + w / 2] & 0xFFFFFF : 0x123456u;
    };
    auto key = [&](WPARAM vk) { ::SendMessageA(player.Handle(), WM_KEYDOWN, vk, 0); };

    key(VK_SPACE);
    ASSERT_TRUE(player.Paused());
    key(VK_HOME);
    EXPECT_EQ(1, player.FrameShown());
    EXPECT_EQ(0xFF0000u, centre());
    EXPECT_EQ("1 / 2" + LoadResString(IDS_CARD_PAUSED), value(IDS_CARD_FRAME));
    key(VK_RIGHT);
    EXPECT_EQ(2, player.FrameShown());
    EXPECT_EQ(0x0000FFu, centre());
    key(VK_LEFT);
    EXPECT_EQ(1, player.FrameShown());
    EXPECT_EQ(0xFF0000u, centre());

    // A click on the stage plays on: the timer moves the frames.
    const RECT box = player.StageRect();
    ::SendMessageA(player.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2));
    EXPECT_FALSE(player.Paused());
    bool moved = false;
    for (int i = 0; i < 100 && !moved; ++i) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        moved = player.FrameShown() == 2;
        ::Sleep(10);
    }
    EXPECT_TRUE(moved);
    EXPECT_EQ("2 / 2", value(IDS_CARD_FRAME));

    // The next movie shows at once: nothing of the cut script holds the player.
    test::SelectRows(*dlg, {1});
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.Drawing());
    EXPECT_EQ(0x00FF00u, centre());
    EXPECT_EQ("<missing>", value(IDS_CARD_SCRIPTS));
}

TEST_F(PlayerTest, AMovieButtonShowsTheHandAndItsClickPlaysTheMovie) {
    // Stopped on frame 1 of 10 with a button of 200 x 200 px in the middle:
    // red up, green over, blue down; its release plays the movie.
    using Tags = std::vector<std::pair<unsigned, std::string>>;
    auto square = [](std::uint16_t id, std::uint32_t rgba) { return SquareShape(id, rgba, 200, 200); };
    const std::string at = test::Translate(0, 0);
    Tags tags = {square(1, 0xFF0000FF), square(2, 0x00FF00FF), square(3, 0x0000FFFF), square(4, 0x000000FF),
                 test::Button2(5, {{1, 1, 1, at}, {2, 2, 1, at}, {4, 3, 1, at}, {8, 4, 1, at}},
                               {{0x08, std::string("\x06\x00", 2)}}),
                 test::Place(1, 5, test::Translate(175 * 20, 100 * 20)), {12, std::string("\x07\x00", 2)},
                 test::ShowFrame()};
    // Ten frames: a tick moves on four at most, so playing never wraps round unseen.
    for (int i = 1; i < 10; ++i) tags.push_back(test::ShowFrame());
    const std::string movie = m_tmp.WriteFile("button.swf", test::MovieOf(550, 400, tags));
    auto dlg = Open({Row(2, "m", movie)});
    const CPlayerWnd& player = dlg->Player();
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.Drawing());
    auto frameLine = [&]() {
        for (const CardLine& line : player.CardLines())
            if (line.label == LoadResString(IDS_CARD_FRAME)) return line.value;
        return std::string("<missing>");
    };
    EXPECT_EQ("1 / 10", frameLine());
    const RECT box = player.StageRect();
    const int w = box.right - box.left, h = box.bottom - box.top;
    auto centre = [&]() {
        const std::vector<std::uint32_t> pixels = player.StagePixels();
        return pixels.size() == static_cast<std::size_t>(w) * h ? pixels[(h / 2) * w + w / 2] & 0xFFFFFF : 0x123456u;
    };
    const LPARAM middle = MAKELPARAM(box.left + w / 2, box.top + h / 2), corner = MAKELPARAM(box.left + 2, box.top + 2);
    auto cursorAt = [&](LPARAM point) {
        ::SendMessageA(player.Handle(), WM_MOUSEMOVE, 0, point);
        ::SendMessageA(player.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(player.Handle()),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return ::GetCursor();
    };
    const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    EXPECT_NE(hand, cursorAt(corner));
    EXPECT_EQ(0xFF0000u, centre());
    EXPECT_EQ(hand, cursorAt(middle));
    EXPECT_EQ(0x00FF00u, centre());

    ::SendMessageA(player.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
    EXPECT_EQ(0x0000FFu, centre());
    EXPECT_FALSE(player.Paused());
    EXPECT_EQ("1 / 10", frameLine());
    ::SendMessageA(player.Handle(), WM_LBUTTONUP, 0, middle);
    EXPECT_EQ(0x00FF00u, centre());
    bool moved = false;
    for (int i = 0; i < 100 && !moved; ++i) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        moved = player.FrameShown() > 1;
        ::Sleep(10);
    }
    EXPECT_TRUE(moved);
    EXPECT_NE("1 / 10", frameLine());
}

TEST_F(PlayerTest, AButtonsScriptHandlerAndItsKeySteerTheMovie) {
    // Stopped on frame 1 of 10, a button named "btn" in the middle: frame 1's
    // script gives it onRelease = function () { gotoAndStop(5); }, and its
    // condition for the key "a" goes to frame 8.
    using Tags = std::vector<std::pair<unsigned, std::string>>;
    const std::string at = test::Translate(0, 0);
    const std::string handler = std::string("\x96\x05\x00\x00" "btn\x00\x1C", 9) +
                                std::string("\x96\x0B\x00\x00" "onRelease\x00", 14) +
                                std::string("\x9B\x05\x00\x00\x00\x00\x06\x00", 8) +
                                std::string("\x81\x02\x00\x04\x00\x07", 6) + std::string("\x4F\x07\x00", 3);
    test::Place3Fields named;
    named.character = 5;
    named.matrix = test::Translate(175 * 20, 100 * 20);
    named.name = "btn";
    Tags tags = {SquareShape(1, 0xFF0000FF, 200, 200),
                 test::Button2(5, {{1 | 2 | 4 | 8, 1, 1, at}},
                               {{0xC200, std::string("\x81\x02\x00\x07\x00\x07\x00", 7)}}),
                 test::Place3(1, named), {12, handler}, test::ShowFrame()};
    for (int i = 1; i < 10; ++i) tags.push_back(test::ShowFrame());
    const std::string movie = m_tmp.WriteFile("handler.swf", test::MovieOf(550, 400, tags, 6));
    auto dlg = Open({Row(2, "m", movie)});
    const CPlayerWnd& player = dlg->Player();
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.Drawing());
    EXPECT_EQ(1, player.FrameShown());
    const RECT box = player.StageRect();
    const LPARAM middle = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    ::SendMessageA(player.Handle(), WM_MOUSEMOVE, 0, middle);
    ::SendMessageA(player.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
    ::SendMessageA(player.Handle(), WM_LBUTTONUP, 0, middle);
    EXPECT_EQ(5, player.FrameShown());
    EXPECT_FALSE(player.Paused());
    // The movie listens to keys: "a" is its own, not the player's.
    ::SendMessageA(player.Handle(), WM_KEYDOWN, 'A', 0);
    ::SendMessageA(player.Handle(), WM_KEYUP, 'A', 0);
    EXPECT_EQ(8, player.FrameShown());
    ::SendMessageA(player.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_FALSE(player.Paused());
}

TEST_F(PlayerTest, TheScriptedGamesMenuButtonStartsItsGame) {
    // The reference set's scripted game, played: its preloader's bar is full
    // on the fourth frame and shows the menu (frame 2) for 2.5 s, unless its
    // button, 120 x 40 px at (160, 130) of the 320 x 240 stage, is clicked:
    // then the game (frame 3) at once.
    const char* refs = std::getenv("FLICKHOLD_FIRST_FRAME");
    ASSERT_NE(nullptr, refs) << "FLICKHOLD_FIRST_FRAME names no references";
    // Wine shows the machine's own folders on drive Z:.
    std::string movie = std::string("Z:") + refs + "/cases/70-scripted-game.swf";
    std::replace(movie.begin(), movie.end(), '/', '\\');
    auto dlg = Open({Row(2, "game", movie)});
    const CPlayerWnd& player = dlg->Player();
    ASSERT_TRUE(WaitForCard(player));
    ASSERT_TRUE(player.Drawing());
    for (int i = 0; i < 1000 && player.FrameShown() == 1; ++i) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(5);
    }
    // Paused in the menu: a press on a button is the movie's all the same.
    ::SendMessageA(player.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_TRUE(player.Paused());
    ASSERT_EQ(2, player.FrameShown());
    const RECT box = player.StageRect();
    const LPARAM button =
        MAKELPARAM(box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) * 130 / 240);
    ::SendMessageA(player.Handle(), WM_MOUSEMOVE, 0, button);
    ::SendMessageA(player.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, button);
    EXPECT_EQ(2, player.FrameShown());
    EXPECT_TRUE(player.Paused());
    ::SendMessageA(player.Handle(), WM_LBUTTONUP, 0, button);
    EXPECT_EQ(3, player.FrameShown());
}

}  // namespace
}  // namespace fh
