// Speech balloons: the iceberg's texts, typed out character by character
// into the balloon layer (balloon_LayerImage, drawn over the play screen)
// and confirmed with the confirm button (Space).
//
// A balloon text is split into lines at each backslash; within a line a
// code "{n}" sets the delay in milliseconds after each of the characters
// that follow (30 ms at the start of every line), and a code at the very end
// of a line sets the pause before the next line.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"
#include "runtime/rt_gc.h"
#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Canvas;
class c_Font2;

// One line of a balloon.
class c_GuiBalloonText : public Object {
public:
    // Per visible character, the milliseconds to wait after it.
    ArrayField<int32_t> m_delays;
    // The line without its codes.
    String m_text;
    // How many characters have been revealed.
    int32_t m_index;
    // A line without visible characters is complete at once; this is the
    // pause after it (the value of its last code, or 0).
    int32_t m_pause;

    c_GuiBalloonText() : m_delays(), m_text(), m_index(0), m_pause(0) {}
    // Parses one line (no backslashes).
    c_GuiBalloonText *m_new(const String &source);
    // The text's width in the balloon's font.
    int32_t Width();
    bool Complete() const { return m_index >= m_text.Length(); }
    void Mark() override;
};

class c_GuiBalloon : public Object {
public:
    int32_t m_lineCount;
    ArrayField<c_GuiBalloonText *> m_lines;
    // Size and top-left corner on the virtual screen.
    int32_t m_width;
    int32_t m_height;
    int32_t m_left;
    int32_t m_top;
    // 22 points (x, y) relative to (left, top): the 4 x 4 nine-slice grid
    // row by row, then the tail's three rows of two.
    ArrayField<float> m_vertices;
    // game_Clock time at which the next character is due.
    int32_t m_revealTime;
    int32_t m_lineIndex;
    // Where the next characters are drawn, relative to the text origin.
    int32_t m_penX;
    int32_t m_penY;

    static constexpr int32_t kPoints = 22;

    c_GuiBalloon();
    c_GuiBalloon *m_new() { return this; }

    // Lays out a balloon for the text, speaking from (x, y), renders its
    // frame into the layer and starts the typewriter (first character
    // 500 ms from now); balloon_TextDone = 0.
    c_GuiBalloon *Init(const String &text, int32_t x, int32_t y);
    // The typewriter: reveals what is due on game_Clock and draws it.
    void Update();
    // Moves the reveal time 60000 ms earlier.
    void Skip();
    // Points 0 to 15 for a balloon of w x h.
    void SetSize(int32_t w, int32_t h);
    // The tail's points for a speaker at (x, y) on the screen.
    void SetTail(int32_t x, int32_t y);
    // Clears the layer and draws the frame and the tail into it; the layer
    // canvas's colour is then the text colour.
    void RenderBalloon();
    // Draws text at (dx, dy) from the text origin into the layer.
    void DrawTextPiece(const String &text, int32_t dx, int32_t dy);

    void Mark() override;
};

// The font the balloon layer draws with: the layer canvas's font, or
// game_Font (the renderer's default font when that is null) before the
// layer exists. Null only when no font exists at all.
c_Font2 *game_BalloonFont();

// Loads "hud_balloon.png" and fills balloon_TexCoords and balloon_Indices.
void game_LoadBalloonAssets();
// Opens a balloon with the text (x or y of 0: above the iceberg) when none
// is open, and closes the open one once its text is done and the confirm
// button was hit. Returns 1 in the update that closes it, else 0.
int32_t game_ShowBalloon(const String &text, int32_t x, int32_t y);
// The balloon layer at (0, 0).
void game_DrawBalloonLayer(c_Canvas *canvas);
