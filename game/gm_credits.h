// The credits: after the campaign is won, the lines of "credits.txt" roll
// up the screen one pixel at a time, on black, then the splash starts
// again.
//
// The roll is drawn incrementally into two render targets of the screen
// width and 48 rows more than the screen height, used in turn: each update
// copies the other target one row higher (when it scrolls) and, when the
// last line drawn has come fully into view, sets the next line in the
// rows just below the visible part.
//
// "credits.txt", trimmed and split at line feeds; each line is one of:
//   "{+}..."        the rest in the big font (game_Font), 12 rows high,
//                   then read as one of the kinds below; else the small
//                   font (game_TinyFont), 8 rows high
//   "A{ }B"         A right-aligned at w / 2 - 8, B left-aligned at
//                   w / 2 + 8
//   "{<}..."        the line from its fourth character on, left-aligned at
//                   w / 2 - 56
//   "{QM}", "{ZV}"  the logo credits_ImageQM or credits_ImageZV, centred at
//                   w / 2 in the 48 rows below the visible part; the line
//                   is 40 rows higher
//   anything else   centred at w / 2
#pragma once

#include <cstdint>

#include "runtime/rt_object.h"
#include "runtime/rt_string.h"

class c_Canvas;
class c_Font2;

// A holder of the credits functions; no instance is made.
class c_Credits : public Object {};

// How one credits line is set: its font, where its pieces go and how many
// rows it takes.
struct CreditsLine {
    enum Kind { Centred, Columns, Left, LogoQM, LogoZV };
    Kind kind = Centred;
    bool big = false;
    // The text as drawn (Centred, Left) or the two columns (Columns).
    String text;
    String right;
    // x of the text (or of the left column's right edge), of the right
    // column's left edge, and of the logo's centre; y of the logo's centre
    // relative to the row the line starts at.
    float x = 0;
    float rightX = 0;
    float logoY = 0;
    int32_t height = 8;
};

// The line's layout for a screen `width` pixels wide.
CreditsLine game_ClassifyCreditsLine(const String &line, int32_t width);

// "credits.txt" into credits_Lines; the two logos, centred on whole pixels.
void game_LoadCredits();
// The two scroll targets (screen_Width x screen_Height + 48) and the
// canvas that draws into them.
void game_SetupCreditsTargets();
// Counters back to the first line and both targets black: the start of a
// roll.
void game_ResetCredits();
// The credits' share of an update (credits state only).
void game_UpdateCredits();
// One scroll step into credits_Targets[credits_Index].
void game_RenderCredits();
// The credits on the window canvas: black while waiting or leaving, the
// current target while the roll runs.
void game_DrawCredits(c_Canvas *canvas);
