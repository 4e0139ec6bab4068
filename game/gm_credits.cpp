#include "game/gm_credits.h"

#include "game/gm_app.h"
#include "game/gm_assets.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_splash.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"

namespace {

// Rows below the visible part of a target: room for a logo line.
constexpr int32_t kLogoBand = 48;
constexpr int32_t kBigHeight = 12;
constexpr int32_t kSmallHeight = 8;
constexpr int32_t kLogoExtra = 40;
constexpr int32_t kScrollMs = 100;
constexpr int32_t kWaitMs = 2000;

// Both targets opaque black, leaving the canvas on target 0.
void ClearTargets() {
    c_Canvas *canvas = credits_Canvas;
    if (!canvas) return;
    const Array<c_Image2 *> &targets = credits_Targets.get();
    for (int i = 1; i >= 0; --i) {
        if (!targets[i]) continue;
        canvas->SetRenderTarget(targets[i]);
        canvas->Clear(0, 0, 0, 1);
        canvas->Flush();
    }
}

}  // namespace

CreditsLine game_ClassifyCreditsLine(const String &source, int32_t width) {
    CreditsLine l;
    String line = source;
    if (line.StartsWith(String(u"{+}"))) {
        l.big = true;
        line = line.Slice(3);
    }
    l.height = l.big ? kBigHeight : kSmallHeight;
    const float centre = static_cast<float>(width / 2);
    const int columns = line.Find(String(u"{ }"));
    if (columns >= 0) {
        l.kind = CreditsLine::Columns;
        l.text = line.Slice(0, columns);
        l.right = line.Slice(columns + 3);
        l.x = centre - 8;
        l.rightX = centre + 8;
    } else if (line.Find(String(u"{<}")) >= 0) {
        l.kind = CreditsLine::Left;
        l.text = line.Slice(3);
        l.x = centre - 56;
    } else if (line.StartsWith(String(u"{QM}")) || line.StartsWith(String(u"{ZV}"))) {
        l.kind = line.StartsWith(String(u"{QM}")) ? CreditsLine::LogoQM : CreditsLine::LogoZV;
        l.x = centre;
        // Centred in the band below the visible part, so that the logo
        // clears the line above it.
        l.logoY = static_cast<float>(kLogoBand / 2);
        l.height += kLogoExtra;
    } else {
        l.kind = CreditsLine::Centred;
        l.text = line;
        l.x = centre;
    }
    return l;
}

void game_LoadCredits() {
    credits_Lines = game_LoadText(String(u"credits.txt")).Trim().Split(String(u"\n"));
    credits_ImageQM = game_LoadImage(String(u"credits_qm.png"), 0.5f, 0.5f, 3, nullptr);
    if (credits_ImageQM) credits_ImageQM->SnapHandle();
    credits_ImageZV = game_LoadImage(String(u"credits_zv.png"), 0.5f, 0.5f, 3, nullptr);
    if (credits_ImageZV) credits_ImageZV->SnapHandle();
}

void game_SetupCreditsTargets() {
    const Array<c_Image2 *> &targets = credits_Targets.get();
    for (int i = 0; i < 2; ++i) targets[i] = game_MakeTarget(screen_Width, screen_Height + kLogoBand, 0, 0, 1);
    credits_Canvas = game_MakeTargetCanvas(targets[0], game_TinyFont);
    // A roll under way goes on from black targets.
    ClearTargets();
}

void game_ResetCredits() {
    credits_Index = 0;
    // Due at once, whatever the clock reads: the first active update scrolls.
    credits_NextScroll = game_Clock;
    credits_ScrollCount = 0;
    credits_ScrollStep = 0;
    credits_TextY = 0;
    credits_NextLine = 0;
    ClearTargets();
}

void game_UpdateCredits() {
    c_StateMachine *machine = game_StateMachine;
    if (machine->m_state != ScreenState_Credits) return;
    switch (machine->m_phase) {
        case ScreenPhase_Waiting:
            // The first update of the state: a roll starts from the top.
            if (machine->m_stateEntryTime == game_Clock) game_ResetCredits();
            if (machine->TimeInPhase() >= kWaitMs) machine->SetPhase(ScreenPhase_Active);
            break;
        case ScreenPhase_Active: {
            credits_Index = 1 - credits_Index;
            const Array<c_Image2 *> &targets = credits_Targets.get();
            if (c_Image2 *target = targets[credits_Index]) credits_Canvas->SetRenderTarget(target);
            if (game_ClockReached(game_Clock, credits_NextScroll)) {
                ++credits_ScrollCount;
                credits_ScrollStep = -1;
                credits_NextScroll = math_WrapAdd(game_Clock, kScrollMs);
            } else {
                credits_ScrollStep = 0;
            }
            game_RenderCredits();
            if (screen_Height + credits_TextY < credits_ScrollCount) {
                c_SplashScreen::Reset();
                machine->SetPhase(ScreenPhase_Leaving);
            }
            break;
        }
        case ScreenPhase_Leaving:
            if (machine->TimeInPhase() >= kWaitMs) machine->SetState(ScreenState_Splash);
            break;
        default:
            break;
    }
}

void game_RenderCredits() {
    c_Canvas *canvas = credits_Canvas;
    canvas->Clear(0, 0, 0, 1);
    canvas->SetColor(1, 1, 1);
    const Array<c_Image2 *> &targets = credits_Targets.get();
    game_DrawImage(canvas, targets[1 - credits_Index], 0, static_cast<float>(credits_ScrollStep));
    const Array<String> &lines = credits_Lines.get();
    if (credits_ScrollCount <= credits_TextY || credits_NextLine >= lines.Length()) {
        canvas->Flush();
        return;
    }
    const CreditsLine l = game_ClassifyCreditsLine(lines[credits_NextLine], screen_Width);
    canvas->SetFont(game_FontOrDefault(l.big ? game_Font.get() : game_TinyFont.get()));
    credits_TextY += l.height;
    const float y = static_cast<float>(screen_Height);
    switch (l.kind) {
        case CreditsLine::Columns:
            canvas->DrawText(l.text, l.x, y, 1, 0);
            canvas->DrawText(l.right, l.rightX, y, 0, 0);
            break;
        case CreditsLine::Left:
            canvas->DrawText(l.text, l.x, y, 0, 0);
            break;
        case CreditsLine::LogoQM:
            game_DrawImage(canvas, credits_ImageQM, l.x, y + l.logoY);
            break;
        case CreditsLine::LogoZV:
            game_DrawImage(canvas, credits_ImageZV, l.x, y + l.logoY);
            break;
        case CreditsLine::Centred:
            canvas->DrawText(l.text, l.x, y, 0.5f, 0);
            break;
    }
    ++credits_NextLine;
    canvas->Flush();
}

void game_DrawCredits(c_Canvas *canvas) {
    c_StateMachine *machine = game_StateMachine;
    if (machine->Is(ScreenState_Credits, ScreenPhase_Waiting | ScreenPhase_Leaving)) {
        canvas->Clear(0, 0, 0, 1);
    } else if (machine->Is(ScreenState_Credits, ScreenPhase_Active)) {
        game_DrawFrame(canvas, credits_Targets, credits_Index, 0, 0);
    }
}
