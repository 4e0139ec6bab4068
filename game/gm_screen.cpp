#include "game/gm_screen.h"

#include <cmath>

#include "game/gm_assets.h"
#include "game/gm_credits.h"
#include "game/gm_draw.h"
#include "game/gm_controls.h"
#include "game/gm_globals.h"
#include "game/gm_menu.h"
#include "game/gm_shop.h"
#include "game/gm_splash.h"
#include "host/hx_app.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"

namespace {

// The play area: a window of 479 x 359 virtual pixels around the screen
// centre, or from the screen's corner when the screen is capped to it.
constexpr int32_t kMaxWidth = 479;
constexpr int32_t kMaxHeight = 359;

}  // namespace

bool game_ComputeScreenLayout(int32_t w, int32_t h, ScreenLayout *l) {
    int32_t scale = std::min(h / screen_VirtualHeight, w / screen_VirtualWidth);
    if (scale < 1) return false;
    l->scale = scale;
    l->width = w / scale;
    l->height = h / scale;
    if (l->width > kMaxWidth) {
        l->width = kMaxWidth;
        l->playLeft = 0;
        l->playRight = kMaxWidth;
    } else {
        l->playLeft = l->width / 2 - 239;
        l->playRight = l->width / 2 + 240;
    }
    if (l->height > kMaxHeight) {
        l->height = kMaxHeight;
        l->playTop = 0;
    } else {
        l->playTop = l->height / 2 - 179;
    }
    l->playBottom = l->playTop + kMaxHeight;
    l->scaledWidth = l->width * scale;
    l->scaledHeight = l->height * scale;
    return true;
}

void game_ApplyScreenLayout(const ScreenLayout &l) {
    screen_Scale = l.scale;
    screen_Width = l.width;
    screen_Height = l.height;
    screen_ScaledWidth = l.scaledWidth;
    screen_ScaledHeight = l.scaledHeight;
    screen_PlayLeft = l.playLeft;
    screen_PlayRight = l.playRight;
    screen_PlayTop = l.playTop;
    screen_PlayBottom = l.playBottom;
}

c_Image2 *game_MakeTarget(int32_t w, int32_t h, float xh, float yh, int32_t flags) {
    return gc_New<c_Image2>()->m_new(w, h, xh, yh, flags);
}

c_Canvas *game_MakeTargetCanvas(c_Image2 *target, c_Font2 *font) {
    c_Canvas *canvas = gc_New<c_Canvas>()->m_new(target);
    canvas->SetFont(game_FontOrDefault(font));
    canvas->Clear(0, 0, 0, 0);
    canvas->Flush();
    return canvas;
}

void game_SetupScreen() {
    ScreenLayout l;
    if (!game_ComputeScreenLayout(app_CachedDeviceWidth, app_CachedDeviceHeight, &l)) {
        if (screen_Scale != 0) return;
        game_ComputeScreenLayout(screen_VirtualWidth, screen_VirtualHeight, &l);
    }
    game_ApplyScreenLayout(l);

    c_Canvas *canvas = gc_New<c_Canvas>()->m_new();
    canvas->SetFont(game_FontOrDefault(game_Font));
    game_MainCanvas = canvas;
    game_SetupCreditsTargets();

    game_LayoutHud();
    game_LayoutMenu();
    c_Shop::Layout();
    splash_ShipStartY = screen_Height;
    splash_ShipEndY = screen_Height / 2 - 19;
    splash_TitleY = screen_Height / 2 - 40;
    game_SetupSplashCrash();
    game_SetupWaterTargets();
}

void game_LayoutHud() {
    c_ControlsItems::Layout();
    c_ControlsButtons::Layout();
    c_HudPause::Layout();
    c_HudYouDied::Layout();
    game_SetupBalloonLayer();
    game_LayoutDeadZone();
}

void game_LayoutDeadZone() {
    const float w = static_cast<float>(screen_Width), h = static_cast<float>(screen_Height);
    world_DeadZoneLeft = static_cast<int32_t>(w * 0.2f);
    world_DeadZoneTop = static_cast<int32_t>(0.2f * h);
    world_DeadZoneRight = static_cast<int32_t>(w * 0.8f);
    world_DeadZoneBottom = static_cast<int32_t>(0.8f * h);
}

void game_LayoutMenu() {
    const int32_t w = screen_Width, h = screen_Height;
    const int32_t cx = w / 2, cy = h / 2;
    menu_ThumbLeftX = cx - 60;
    menu_ThumbRightX = cx + 60;
    menu_ThumbY = cy - 39;
    game_LayoutMenuButtons(cx, cy);
    c_Image2 *wipe = game_MakeTarget(w, h, 0.5f, 0.5f, 1);
    wipe->SnapHandle();
    menu_WipeImage = wipe;
    menu_WipeCanvas = game_MakeTargetCanvas(wipe, game_Font);
    menu_WipeColumns = w / 10;
    menu_WipeRows = h / 10;
    menu_WipeMarginX = (w % 10) / 2;
    menu_WipeMarginY = (h % 10) / 2;
}

void game_SetupBalloonLayer() {
    c_Image2 *layer = game_MakeTarget(screen_Width, screen_Height, 0, 0, 1);
    balloon_LayerImage = layer;
    balloon_LayerCanvas = game_MakeTargetCanvas(layer, game_Font);
}

float game_BezierEase(float p0, float p1, float c1x, float c1y, float c2x, float c2y, float t, float eps) {
    auto x = [&](float u) {
        float v = 1.0f - u;
        return 3.0f * c1x * u * v * v + 3.0f * c2x * u * u * v + u * u * u;
    };
    float u = t;
    float xu = x(u);
    float uPrev = 0.0f, xPrev = 0.0f;
    // The secant solve converges in a few steps on the game's curves; it
    // stops on a flat stretch (no secant) and after 32 steps in any case.
    for (int step = 0; step < 32 && !(std::fabs(xu - t) <= eps); ++step) {
        float next;
        if (step == 0) {
            next = u + (t - xu);
        } else {
            float dx = xu - xPrev;
            if (dx == 0.0f) break;
            next = uPrev + (t - xPrev) * (u - uPrev) / dx;
        }
        if (!(next <= 1.0f)) next = 1.0f;
        if (!(next >= 0.0f)) next = 0.0f;
        uPrev = u;
        xPrev = xu;
        u = next;
        xu = x(u);
    }
    float v = 1.0f - u;
    return p0 * v * v * v + 3.0f * c1y * u * v * v + 3.0f * c2y * u * u * v + p1 * u * u * u;
}

float game_BezierEaseClamped(float p0, float p1, float c1x, float c1y, float c2x, float c2y, float t, float eps) {
    if (t <= 0.0f) return p0;
    if (t >= 1.0f) return p1;
    return game_BezierEase(p0, p1, c1x, c1y, c2x, c2y, t, eps);
}

float game_Lerp(float a, float b, float t) { return a + t * (b - a); }
