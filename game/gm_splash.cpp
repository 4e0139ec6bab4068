#include "game/gm_splash.h"

#include <algorithm>
#include <cmath>

#include "game/gm_app.h"
#include "game/gm_assets.h"
#include "game/gm_float.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_hud.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

constexpr int32_t kRings = 4;
constexpr int32_t kSectors = 8;
constexpr int32_t kPoints = 33;
constexpr int32_t kMaxLines = 2;
constexpr int32_t kRevealWidth = 180;
constexpr float kPi = 3.14159265358979f;
// The phases' lengths in game_Clock ms: waiting before the animation, the
// animation (entering), the finished picture held before it cracks (active;
// a click cracks it sooner), and the shards' fall (leaving).
constexpr int32_t kWaitMs = 1000;
constexpr int32_t kAnimationMs = 8000;
constexpr int32_t kHoldMs = 2500;
constexpr int32_t kFallMs = 2000;

using game::F;

float Clamp01(float v) { return math_Clamp(v, 0.0f, 1.0f); }

float Radians(float degrees) { return degrees * kPi / 180.0f; }

void ScissorWhole(c_Canvas *canvas) { canvas->SetScissor(0, 0, screen_ScaledWidth, screen_ScaledHeight); }

// A band `width` virtual pixels wide, centred on the screen, full height.
void ScissorBand(c_Canvas *canvas, int32_t width) {
    const int32_t scale = screen_Scale;
    const int32_t x = (screen_Width * scale - width * scale) / 2;
    canvas->SetScissor(x, 0, width * scale, screen_ScaledHeight);
}

// One shard as a primitive with `material`, the points of
// splash_ShardPoints and the texture coordinates `coords`.
void DrawShard(c_Canvas *canvas, int32_t ring, int32_t sector, const Array<float> &coords, c_Material *material) {
    const Array<int32_t> &indices = splash_ShardIndexScratch.get();
    int32_t order = game_SplashShardIndices(ring, sector, &indices[0]);
    canvas->DrawIndexedPrimitives(order, 1, splash_ShardPoints.get(), coords, indices, material);
}

void DrawEdge(c_Canvas *canvas, int32_t a, int32_t b) {
    const Array<int32_t> &indices = splash_ShardIndexScratch.get();
    indices[0] = a;
    indices[1] = b;
    canvas->DrawIndexedLine(splash_ShardPoints.get(), indices);
}

// The shard's edges; a quad of ring 3 leaves out its outer edge, the
// screen border.
void DrawShardEdges(c_Canvas *canvas, int32_t ring, int32_t sector) {
    int32_t p[4];
    int32_t n = game_SplashShardIndices(ring, sector, p);
    if (n == 3) {
        DrawEdge(canvas, p[0], p[1]);
        DrawEdge(canvas, p[1], p[2]);
        DrawEdge(canvas, p[2], p[0]);
        return;
    }
    DrawEdge(canvas, p[0], p[1]);
    if (ring != kRings - 1) DrawEdge(canvas, p[1], p[2]);
    DrawEdge(canvas, p[2], p[3]);
    DrawEdge(canvas, p[3], p[0]);
}

void DrawGlitchTint(c_Canvas *canvas, int32_t ring, int32_t sector) {
    if (splash_GlitchDepth.get()[sector] < ring) return;
    const Array<int32_t> &colours = splash_ShardColours.get();
    const int32_t j = 3 * (kSectors * ring + sector);
    canvas->SetColor(F(colours[j]), F(colours[j + 1]), F(colours[j + 2]));
    if (c_Image2 *glitch = splash_Glitch) DrawShard(canvas, ring, sector, splash_GlitchCoords.get(), glitch->Material());
}

void DrawOutline(c_Canvas *canvas, int32_t ring, int32_t sector) {
    canvas->SetColor(1, 1, 1);
    canvas->SetAlpha(0.5f);
    DrawShardEdges(canvas, ring, sector);
    canvas->SetAlpha(1);
}

// The opening's text lines, at most two.
Array<String> OpeningLines(const String &opening) {
    Array<String> lines = opening.Split(String(u"\\"));
    if (lines.Length() <= kMaxLines) return lines;
    Array<String> shown(kMaxLines);
    for (int i = 0; i < kMaxLines; ++i) shown[i] = lines[i];
    return shown;
}

}  // namespace

int32_t game_SplashShardIndices(int32_t ring, int32_t sector, int32_t *out) {
    const int32_t next = (sector + 1) % kSectors;
    if (ring == 0) {
        out[0] = 0;
        out[1] = 1 + sector;
        out[2] = 1 + next;
        return 3;
    }
    const int32_t inner = 1 + kSectors * (ring - 1), outer = 1 + kSectors * ring;
    out[0] = inner + sector;
    out[1] = outer + sector;
    out[2] = outer + next;
    out[3] = inner + next;
    return 4;
}

int32_t game_SplashShardDrop(int32_t shard, float progress, int32_t height) {
    const float e = 2.0f * progress + splash_ShardDelay.get()[shard] - 0.5f;
    const float f = e < 0.0f ? 0.0f : (e > 1.0f ? 1.0f : e * e);
    return std::max(static_cast<int32_t>(f * F(height)), 0);
}

// ---------------------------------------------------------------------------
// Loading and set-up.

void game_LoadSplash() {
    ImageFlagsMask = 0;
    splash_Background = game_LoadImageCentered(String(u"splash_bg.png"), 0.5f, 3, nullptr);
    splash_Ship = game_LoadImageCentered(String(u"splash_ship.png"), 0.0f, 3, nullptr);
    splash_Title = game_LoadImageCentered(String(u"splash_title.png"), 0.5f, 3, nullptr);
    splash_Credits = game_LoadImageCentered(String(u"splash_credits.png"), 0.5f, 3, nullptr);
    splash_Glitch = game_LoadImageCentered(String(u"splash_glitch.png"), 0.5f, 3, nullptr);
    splash_Iceberg = game_LoadImageCentered(String(u"splash_iceberg.png"), 0.5f, 0, nullptr);
    for (c_Image2 *image : {splash_Background.get(), splash_Ship.get(), splash_Title.get(), splash_Credits.get()})
        if (image) image->SnapHandle();
    splash_OpeningIndex = 0;
    splash_Openings = game_ParseOpenings(game_LoadText(String(u"openings.txt")));
}

Array<String> game_ParseOpenings(const String &text) {
    Array<String> openings = text.Trim().Split(String(u"\n"));
    for (int i = 0; i < openings.Length(); ++i) {
        const int32_t n = openings[i].Split(String(u"\\")).Length();
        if (n > kMaxLines)
            lang_Print(String(u"Velmora: openings.txt: opening ") + String(i + 1) + String(u" has ") + String(n) +
                       String(u" text lines; it shows the first two: ") + openings[i]);
    }
    return openings;
}

void game_SetupSplashCrash() {
    const int32_t w = screen_Width, h = screen_Height;
    const float fw = F(w), fh = F(h);
    c_Font2 *font = game_FontOrDefault(game_MainCanvas ? game_MainCanvas->Font() : nullptr);

    c_Image2 *target = game_MakeTarget(w, h, 0.5f, 0.5f, 1);
    splash_Target = target;
    splash_Canvas = game_MakeTargetCanvas(target, font);
    c_Image2 *crash = game_MakeTarget(w, h, 0.5f, 0.5f, 1);
    crash->SnapHandle();
    splash_CrashTarget = crash;
    splash_CrashCanvas = game_MakeTargetCanvas(crash, font);

    const Array<float> &points = splash_ShardPoints.get();
    points[0] = fw * 0.5f;
    points[1] = fh * 0.5f - 11.0f;
    const float radius = std::min(fw / 2.0f, fh / 2.0f);
    const float fractions[3] = {0.2f, 0.5f, 0.8f};
    for (int k = 0; k < 3; ++k) {
        for (int s = 0; s < kSectors; ++s) {
            const float r1 = random_Rnd();
            const float r2 = random_Rnd();
            const float dist = (r1 * 0.2f + 0.9f) * fractions[k] * radius;
            const float angle = Radians(r2 * 20.0f - 10.0f + 45.0f * F(s));
            const int p = 1 + kSectors * k + s;
            points[2 * p] = fw * 0.5f + std::cos(angle) * dist;
            points[2 * p + 1] = fh * 0.5f - 6.0f + std::sin(angle) * dist;
        }
    }
    const float border[kSectors][2] = {{fw, fh / 2}, {fw, fh}, {fw / 2, fh}, {0, fh},
                                       {0, fh / 2},  {0, 0},   {fw / 2, 0},  {fw, 0}};
    for (int s = 0; s < kSectors; ++s) {
        points[2 * (25 + s)] = border[s][0];
        points[2 * (25 + s) + 1] = border[s][1];
    }

    const Array<float> &glitch = splash_GlitchCoords.get();
    const Array<float> &coords = splash_ShardCoords.get();
    for (int p = 0; p < kPoints; ++p) {
        const float x = points[2 * p], y = points[2 * p + 1];
        glitch[2 * p] = x / 480.0f + 0.5f - fw / 960.0f;
        glitch[2 * p + 1] = y / 270.0f + 0.5f - fh / 540.0f;
        coords[2 * p] = x / fw;
        coords[2 * p + 1] = y / fh;
    }

    const Array<int32_t> &depth = splash_GlitchDepth.get();
    const Array<float> &delay = splash_ShardDelay.get();
    const Array<int32_t> &colours = splash_ShardColours.get();
    for (int s = 0; s < kSectors; ++s) {
        const float a = 45.0f * F(s);
        depth[s] = static_cast<int32_t>(random_Rnd() * 3.0f);
        for (int k = 1; k <= kRings; ++k) {
            const int j = s + kSectors * (k - 1);
            const float r = random_Rnd();
            delay[j] = std::sin(Radians(r * 25.0f + 10.0f + a)) * F(k) * 0.25f * 0.5f;
            // Three draws whatever they give; the blue is forced when
            // neither red nor green is set, so a tint is never black.
            const float r3 = random_Rnd();
            const float r4 = random_Rnd();
            const float r5 = random_Rnd();
            const bool c0 = r3 > 0.5f;
            const bool c1 = r4 > 0.25f;
            const bool c2 = !(c0 || c1) || r5 > 0.05f;
            colours[3 * j] = c0 ? 1 : 0;
            colours[3 * j + 1] = c1 ? 1 : 0;
            colours[3 * j + 2] = c2 ? 1 : 0;
        }
    }
}

void game_ResetSplashCrash() {
    splash_ShipStartY = screen_Height;
    splash_ShipEndY = screen_Height / 2 - 19;
    splash_TitleY = screen_Height / 2 - 40;
    game_SetupSplashCrash();
}

void c_SplashScreen::Reset() {
    splash_TitleReveal = 0;
    splash_CreditsReveal = 0;
    splash_ShipY = splash_ShipStartY;
    for (int i = 0; i < kMaxLines; ++i) {
        splash_LineX.get()[i] = -16;
        splash_LineReveal.get()[i] = 0;
    }
    const Array<String> &openings = splash_Openings.get();
    const int32_t count = openings.Length();
    int32_t index = 0;
    if (progress_Exists) index = static_cast<int32_t>(random_Rnd() * F(count));
    splash_OpeningIndex = index;
    String opening = index >= 0 && index < count ? openings[index] : String();
    splash_Lines = OpeningLines(opening);
}

// ---------------------------------------------------------------------------
// Update.

void game_UpdateSplash() {
    c_StateMachine *machine = game_StateMachine;
    if (machine->m_state != ScreenState_Splash) return;
    const int32_t t = machine->TimeInPhase();
    const float ft = F(t);
    switch (machine->m_phase) {
        case ScreenPhase_Waiting:
            if (t >= kWaitMs) machine->SetPhase(ScreenPhase_Entering);
            break;
        case ScreenPhase_Entering: {
            // The animation's timeline in ms: the ship rises from 1000 to the
            // end; the credits show from 0 to 1000 and go again by 2000; the
            // title shows from 2000 to 4000; text line i is pushed in from
            // 4000 + 1500 i for 2000, by the small iceberg running from 16
            // pixels left of the screen to 16 right of it.
            const float p = (ft - 1000.0f) / 7000.0f;
            const float e = game_BezierEaseClamped(0, 1, 0, 0.8f, 1, 1, p, 0.0001f);
            splash_ShipY = static_cast<int32_t>(e * F(splash_ShipEndY - splash_ShipStartY) + F(splash_ShipStartY));
            splash_CreditsReveal =
                static_cast<int32_t>((Clamp01(ft / 1000.0f) - Clamp01((ft - 1000.0f) / 1000.0f)) * F(kRevealWidth));
            splash_TitleReveal = static_cast<int32_t>(Clamp01((ft - 2000.0f) / 2000.0f) * F(kRevealWidth));
            for (int i = 0; i < kMaxLines; ++i) {
                const float lp = Clamp01((ft - 4000.0f - 1500.0f * F(i)) / 2000.0f);
                const int32_t x = static_cast<int32_t>(lp * F(screen_Width + 32) - 16.0f);
                splash_LineX.get()[i] = x;
                splash_LineReveal.get()[i] = x < 0 ? 0 : std::min(screen_Width, x);
            }
            if (t >= kAnimationMs) {
                game_RenderSplashCrash();
                machine->SetPhase(ScreenPhase_Active);
            }
            break;
        }
        case ScreenPhase_Active:
            if (game_PointerHit > 0 || t >= kHoldMs) machine->SetPhase(ScreenPhase_Leaving);
            break;
        case ScreenPhase_Leaving:
            if (t >= kFallMs) {
                machine->SetStateAndPhase(ScreenState_Menu, ScreenPhase_Active);
            }
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// Drawing.

void game_RenderSplash(c_Canvas *canvas) {
    c_StateMachine *machine = game_StateMachine;
    if (machine->m_state != ScreenState_Splash) return;
    const int32_t w = screen_Width, h = screen_Height;
    const float cx = F(w / 2), cy = F(h / 2);

    if (machine->m_phase & (ScreenPhase_Waiting | ScreenPhase_Entering)) {
        game_DrawImage(canvas, splash_Background, cx, cy);
        if (splash_TitleReveal < kRevealWidth)
            ScissorBand(canvas, splash_TitleReveal);
        else
            ScissorWhole(canvas);
        game_DrawImage(canvas, splash_Title, cx, F(splash_TitleY));
        ScissorBand(canvas, splash_CreditsReveal);
        game_DrawImage(canvas, splash_Credits, cx, F(splash_TitleY));
        ScissorWhole(canvas);
        game_DrawImage(canvas, splash_Ship, cx, F(splash_ShipY));

        // The lines in the game's text font, whatever font the canvas held.
        canvas->SetFont(game_FontOrDefault(game_Font));
        const Array<String> &lines = splash_Lines.get();
        const int32_t n = std::min(lines.Length(), kMaxLines);
        int32_t y = h - n * 10 - 2;
        for (int i = 0; i < n; ++i) {
            canvas->SetScissor(0, 0, splash_LineReveal.get()[i] * screen_Scale, screen_ScaledHeight);
            game_DrawTextOutlined(canvas, lines[i], cx, F(y), 0, 0.5f);
            ScissorWhole(canvas);
            game_DrawImage(canvas, splash_Iceberg, F(splash_LineX.get()[i]), F(y + 12));
            y += 10;
        }
        return;
    }

    if (!splash_CrashTarget) return;
    const int32_t t = machine->TimeInPhase();
    if (machine->m_phase == ScreenPhase_Active) {
        game_DrawSplashCrashShards(0);
        // The crack jolts the picture one pixel up for its first 50 ms.
        canvas->DrawImage(splash_CrashTarget, cx, t < 50 ? cy - 1 : cy);
    } else if (machine->m_phase == ScreenPhase_Leaving) {
        game_DrawSplashCrashShards(F(t) / F(kFallMs));
        canvas->DrawImage(splash_CrashTarget, cx, cy);
    }
}

void game_RenderSplashCrash() {
    c_Canvas *canvas = splash_Canvas;
    if (!canvas) return;
    canvas->Clear(0, 0, 0, 1);
    game_RenderSplash(canvas);
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSectors; ++s) {
            DrawGlitchTint(canvas, r, s);
            DrawOutline(canvas, r, s);
        }
    }
    canvas->Flush();
}

void game_DrawSplashCrashShards(float progress) {
    c_Canvas *canvas = splash_CrashCanvas;
    if (!canvas || !splash_Target) return;
    // Cleared to opaque black, then made transparent by a rectangle over
    // the whole target with the default material, written without blending
    // at alpha 0: the menu shows where the shards have fallen from.
    canvas->Clear(0, 0, 0, 1);
    canvas->SetBlendMode(0);
    canvas->SetColor(0, 0, 0);
    canvas->SetAlpha(0);
    canvas->DrawRect(0, 0, F(screen_Width), F(screen_Height), static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    canvas->SetBlendMode(1);
    canvas->SetColor(1, 1, 1);
    canvas->SetAlpha(1);
    c_Material *material = splash_Target->Material();
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSectors; ++s) {
            const bool fall = progress != 0.0f;
            if (fall) {
                canvas->PushMatrix();
                canvas->Translate(0, F(game_SplashShardDrop(kSectors * r + s, progress, screen_Height)));
            }
            DrawShard(canvas, r, s, splash_ShardCoords.get(), material);
            if (fall) canvas->PopMatrix();
        }
    }
    canvas->Flush();
}

void game_DrawSplashCrashOutlined(c_Canvas *canvas, int32_t mode, float progress) {
    if (!splash_Target) return;
    c_Material *material = splash_Target->Material();
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSectors; ++s) {
            canvas->PushMatrix();
            if (mode == 0)
                canvas->Translate(0, F(game_SplashShardDrop(kSectors * r + s, progress, screen_Height)));
            canvas->SetColor(1, 1, 1);
            DrawShard(canvas, r, s, splash_ShardCoords.get(), material);
            DrawGlitchTint(canvas, r, s);
            DrawOutline(canvas, r, s);
            canvas->PopMatrix();
        }
    }
}
