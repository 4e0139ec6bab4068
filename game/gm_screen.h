// The virtual screen: the whole scale factor from the window size, the
// window canvas and the render targets that follow the screen size, the
// layout of the HUD and the menu, and the easing curve of the transitions.
#pragma once

#include <cstdint>

class c_Canvas;
class c_Font2;
class c_Image2;

// The screen values as they follow from a device size.
struct ScreenLayout {
    int32_t scale;
    int32_t width;
    int32_t height;
    int32_t scaledWidth;
    int32_t scaledHeight;
    int32_t playLeft;
    int32_t playRight;
    int32_t playTop;
    int32_t playBottom;
};

// The layout for a device of w x h pixels; false when the device is smaller
// than the virtual screen (a minimised window), where no whole scale fits.
bool game_ComputeScreenLayout(int32_t w, int32_t h, ScreenLayout *layout);
// Writes a layout into the screen_ globals.
void game_ApplyScreenLayout(const ScreenLayout &layout);

// From the cached device size: the screen globals, a new window canvas,
// the screen-size targets and the layouts. A device too small for the
// virtual screen keeps the previous set-up; the first set-up then takes the
// device as 240 x 135.
void game_SetupScreen();
void game_LayoutHud();
// The camera's dead zone from the virtual screen size (part of the HUD's
// layout).
void game_LayoutDeadZone();
void game_LayoutMenu();
void game_SetupBalloonLayer();

// A canvas drawing into a new render target, which it clears to transparent
// once (a new texture's content is undefined); its font is `font` or, when
// that is null, the renderer's default font.
c_Canvas *game_MakeTargetCanvas(c_Image2 *target, c_Font2 *font);
// A render-target image of w x h with the given handle and flags.
c_Image2 *game_MakeTarget(int32_t w, int32_t h, float xh, float yh, int32_t flags);

// The cubic Bezier timing curve from p0 to p1 with the control points
// (c1x, c1y) and (c2x, c2y), at t, solved to eps. Always finite.
float game_BezierEase(float p0, float p1, float c1x, float c1y, float c2x, float c2y, float t, float eps);
// p0 at t <= 0, p1 at t >= 1, the curve between.
float game_BezierEaseClamped(float p0, float p1, float c1x, float c1y, float c2x, float c2y, float t, float eps);
float game_Lerp(float a, float b, float t);
