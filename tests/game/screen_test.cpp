// The virtual screen's layout from the device size, and the easing curve.
#include <gtest/gtest.h>

#include <cmath>

#include "game/gm_screen.h"

namespace {

TEST(ScreenLayoutTable, FromTheDeviceSize) {
    const struct {
        int w, h;
        ScreenLayout want;
    } cases[] = {
        {960, 540, {4, 240, 135, 960, 540, -119, 360, -112, 247}},
        {1920, 1080, {8, 240, 135, 1920, 1080, -119, 360, -112, 247}},
        {1000, 600, {4, 250, 150, 1000, 600, -114, 365, -104, 255}},
        {2000, 2000, {8, 250, 250, 2000, 2000, -114, 365, -54, 305}},
        {2000, 1600, {8, 250, 200, 2000, 1600, -114, 365, -79, 280}},
        // Capped: the play area starts at the screen's corner.
        {600, 400, {2, 300, 200, 600, 400, -89, 390, -79, 280}},
        {1200, 135, {1, 479, 135, 479, 135, 0, 479, -112, 247}},
        {240, 800, {1, 240, 359, 240, 359, -119, 360, 0, 359}},
    };
    for (const auto &c : cases) {
        ScreenLayout got{};
        ASSERT_TRUE(game_ComputeScreenLayout(c.w, c.h, &got)) << c.w << "x" << c.h;
        const int g[] = {got.scale, got.width, got.height, got.scaledWidth, got.scaledHeight,
                         got.playLeft, got.playRight, got.playTop, got.playBottom};
        const int e[] = {c.want.scale, c.want.width, c.want.height, c.want.scaledWidth, c.want.scaledHeight,
                         c.want.playLeft, c.want.playRight, c.want.playTop, c.want.playBottom};
        for (int i = 0; i < 9; ++i) EXPECT_EQ(g[i], e[i]) << c.w << "x" << c.h << " value " << i;
    }
}

TEST(ScreenLayoutTable, TooSmallForTheVirtualScreen) {
    ScreenLayout got{};
    for (auto [w, h] : {std::pair{200, 100}, {239, 540}, {960, 134}, {0, 0}, {-5, 800}})
        EXPECT_FALSE(game_ComputeScreenLayout(w, h, &got)) << w << "x" << h;
}

TEST(Easing, TheTransitionCurves) {
    auto ease = [](float c1x, float c1y, float t) { return game_BezierEaseClamped(0, 1, c1x, c1y, 1, 1, t, 0.0001f); };
    EXPECT_NEAR(ease(0.6f, 0, 0.5f), 0.2340f, 0.0005f);
    EXPECT_NEAR(ease(0.6f, 0, 0.9f), 0.7889f, 0.0005f);
    EXPECT_NEAR(ease(0.4f, 0, 0.5f), 0.3248f, 0.0005f);
    EXPECT_FLOAT_EQ(ease(0, 0.8f, 0.5f), 0.8f);
    // The ends come back exactly, without a solve.
    EXPECT_EQ(game_BezierEaseClamped(0.25f, 0.75f, 0.6f, 0, 1, 1, 0, 0.0001f), 0.25f);
    EXPECT_EQ(game_BezierEaseClamped(0.25f, 0.75f, 0.6f, 0, 1, 1, 1, 0.0001f), 0.75f);
    EXPECT_EQ(game_Lerp(2, 6, 0.25f), 3.0f);
}

TEST(Easing, FiniteEverywhere) {
    const float curves[][2] = {{0.6f, 0}, {0.4f, 0}, {0, 0.8f}};
    for (const auto &c : curves) {
        for (int i = 0; i <= 100000; ++i) {
            float t = static_cast<float>(i) * 1e-5f;
            float v = game_BezierEaseClamped(0, 1, c[0], c[1], 1, 1, t, 0.0001f);
            ASSERT_TRUE(std::isfinite(v)) << "t = " << t;
            ASSERT_GE(v, -0.001f);
            ASSERT_LE(v, 1.001f);
        }
    }
    // A flat curve (both control x at 0 and 1 alike) or a zero tolerance
    // still ends, with a finite value.
    EXPECT_TRUE(std::isfinite(game_BezierEase(0, 1, 0, 0, 0, 1, 0.3f, 0)));
    EXPECT_TRUE(std::isfinite(game_BezierEase(0, 1, 1, 0, 1, 1, 0.999f, 0)));
    EXPECT_TRUE(std::isfinite(game_BezierEase(0, 1, 0.6f, 0, 1, 1, NAN, 0.0001f)));
}

}  // namespace
