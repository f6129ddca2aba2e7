#pragma once
// The player: control 1011 of the main window's template is a window of the
// program's own class, which this object takes over at initialisation. It
// hosts the Shockwave Flash control when that is registered and hands it
// each movie to play; where it is not (every current Windows), it draws a
// card of the movie: its stage at the movie's aspect ratio in its background
// colour, and the facts of its header. The facts are read on a worker
// thread, so that no movie can hold up the window; the card says it is
// reading until they arrive, and a newer movie abandons an older read.
// The same read loads the whole movie for the built-in renderer, which
// draws its frames on the stage and plays them on a timer: a click on the
// stage or Space pauses and resumes, Left and Right step while paused, Home
// goes back to frame 1. Frames that fall behind are dropped, not queued,
// and drawing takes at most a quarter of the time (see PlaybackPacer); a
// movie whose frames take too long to draw is paused rather than let keep
// the window busy. The movie's buttons take the pointer: over one the
// cursor is the hand, and a click on one is the button's, not a pause.

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "avm1/avm1_stage.h"
#include "gfx/movie_picture.h"
#include "player/flash_host.h"
#include "player/movie_card.h"
#include "player/playback_pacer.h"
#include "swf/swf_header.h"
#include "win/handles.h"
#include "win/window.h"

namespace fh {

// Registers the class the dialog template names (once per process).
bool RegisterPlayerClass();

class CPlayerWnd : public WindowImpl<CPlayerWnd> {
public:
    static const std::vector<DispatchEntry<CPlayerWnd>>& DispatchTable();

    // Creates the Flash control in the window when its class is registered.
    void Initialize(const CLSID& flash = CLSID_ShockwaveFlash);
    // Plays the movie in the control, or shows its card, headed by the name
    // of `heading` (the movie's own path when empty).
    void ShowMovie(const std::string& path, const std::string& sizeText, const std::string& heading = std::string());

    // Lets go of the movie on show, its file and the read under way (waited
    // for a while): a file held open would survive its deletion.
    void ReleaseMovie();

    bool HostsFlash() const { return m_flash.Active(); }
    // True from a movie's selection until its facts are on the card.
    bool Reading() const { return m_reading; }
    // One read of a card, shared by the window and its worker thread.
    struct CardRead;
    // The card on show (none before the first movie, or with the control).
    const std::vector<CardLine>& CardLines() const { return m_lines; }
    const std::optional<SwfHeaderInfo>& CardInfo() const { return m_info; }
    // Where the stage is drawn in the window, and in what colour.
    RECT StageRect() const;
    COLORREF StageColor() const;
    // Draws the card (or the empty stage) as the window paints it.
    void Render(HDC dc, const RECT& client) const;

    // The built-in renderer's state: whether a movie is drawn, the frame on
    // show (1-based), pausing and stepping as the keys and clicks do.
    bool Drawing() const { return m_stage != nullptr; }
    int FrameShown() const { return m_stage ? m_stage->Frame() : 0; }
    bool Paused() const { return m_paused; }
    void TogglePause();
    void StepFrame(int delta);  // while paused; -1 goes back by restarting
    void FirstFrame();
    // The stage's picture as drawn (premultiplied 0xAARRGGBB rows).
    std::vector<std::uint32_t> StagePixels() const;

protected:
    void OnDestroyed() override;

private:
    MsgResult OnEraseBackground(WPARAM wParam, LPARAM lParam);
    MsgResult OnPaint(WPARAM wParam, LPARAM lParam);
    MsgResult OnSize(WPARAM wParam, LPARAM lParam);
    MsgResult OnDestroy(WPARAM wParam, LPARAM lParam);
    MsgResult OnCardRead(WPARAM wParam, LPARAM lParam);
    MsgResult OnTimer(WPARAM wParam, LPARAM lParam);
    MsgResult OnLButtonDown(WPARAM wParam, LPARAM lParam);
    MsgResult OnLButtonUp(WPARAM wParam, LPARAM lParam);
    MsgResult OnMouseMove(WPARAM wParam, LPARAM lParam);
    MsgResult OnMouseLeave(WPARAM wParam, LPARAM lParam);
    MsgResult OnSetCursor(WPARAM wParam, LPARAM lParam);
    MsgResult OnKeyDown(WPARAM wParam, LPARAM lParam);
    MsgResult OnKeyUp(WPARAM wParam, LPARAM lParam);
    int TypedCharacter(WPARAM key) const;
    MsgResult OnGetDlgCode(WPARAM wParam, LPARAM lParam);
    // Draws the frame on show at the stage box's size and updates the card.
    void DrawStage();
    // The stage's twips at a point of the window.
    SwfPoint StagePoint(LPARAM lParam) const;
    // Draws again when the pointer changed what the stage shows.
    void ShowPointerChange();
    void StartTimer();
    void StopPlayback();
    void UpdateCardLines();
    int LineHeight(HDC dc) const;
    // Where the stage box and the text go at the window's size and resolution.
    CardLayout Layout() const;
    // Ends the read under way: it is told to stop, and waited for briefly.
    void AbandonRead(DWORD waitMs);
    // The movie from its start, its scripts' too.
    void RestartStage();

    CFlashHost m_flash;
    std::optional<SwfHeaderInfo> m_info;
    std::vector<CardLine> m_lines;
    std::vector<CardLine> m_factLines;  // the header's facts, under the name
    std::shared_ptr<SwfMovie> m_movie;
    std::unique_ptr<SwfStage> m_stage;
    std::unique_ptr<avm1::StageScripts> m_scripts;  // goes before the stage it runs on
    std::unique_ptr<SwfImages> m_images;
    RasterImage m_picture;  // the frame last drawn, the stage box's size
    bool m_paused = false;
    bool m_overButton = false;  // the pointer is over one of the movie's buttons
    bool m_pressing = false;    // a press began on a button and has not ended
    bool m_tracking = false;    // the window is told when the pointer leaves it
    bool m_drawCut = false;
    std::uint32_t m_lastDrawMs = 0;
    bool m_timer = false;
    std::optional<PlaybackPacer> m_pacer;
    std::string m_sizeText;
    std::string m_name;
    std::string m_path;  // the movie's file
    bool m_reading = false;
    unsigned m_generation = 0;
    std::shared_ptr<CardRead> m_read;
    UniqueThread m_readThread;
};

}  // namespace fh
