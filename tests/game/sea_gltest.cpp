// The sea on a real GL context: the game's shader bodies build, the water
// target takes drawing where it is drawn, and a seeded world shows its
// water through the ramp, its ships where they are, sinking step by step,
// and the iceberg smaller at a smaller tier.
//
// With VELMORA_SEA_SHOT set to a path, the screenshot case also writes the
// frame it drew there as a PNG (from build/bin):
//   VELMORA_SEA_SHOT=/tmp/sea_shot.png ../../scripts/with-xvfb ./test_sea --gtest_filter='*Screenshot*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_draw.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_shaders.h"
#include "host/hx_app.h"
#include "host/hx_files.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_texture.h"
#include "runtime/rt_math.h"
#include "tests/game/support/session.h"
#include "tests/support/frame_dump.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Rgba {
    int r, g, b, a;
};
std::ostream &operator<<(std::ostream &os, const Rgba &p) {
    return os << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

// RGBA rows, the top row first.
struct Picture {
    int w = 0, h = 0;
    Bytes px;
    Rgba At(int x, int y) const {
        const uint8_t *p = &px[(static_cast<size_t>(y) * w + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    bool Same(const Picture &o, int x, int y) const {
        return std::equal(&px[(static_cast<size_t>(y) * w + x) * 4], &px[(static_cast<size_t>(y) * w + x) * 4 + 4],
                          &o.px[(static_cast<size_t>(y) * w + x) * 4]);
    }
};

// The framebuffer `fbo` (0: the window) read whole; GL gives the last row
// first for the window and row 0 first for a texture, which is its top.
Picture ReadFramebuffer(GLuint fbo, int w, int h, bool window) {
    GLint previous = 0;
    gl11.glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    gl11.glFinish();
    Picture p;
    p.w = w;
    p.h = h;
    Bytes raw(static_cast<size_t>(w) * h * 4);
    gl11.glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    p.px.resize(raw.size());
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y)
        std::copy_n(&raw[static_cast<size_t>(window ? h - 1 - y : y) * row], row, &p.px[static_cast<size_t>(y) * row]);
    return p;
}

Picture ReadWindow() { return ReadFramebuffer(0, app_CachedDeviceWidth, app_CachedDeviceHeight, true); }

Picture ReadTarget(c_Image2 *target) {
    c_Texture *texture = target->Material()->ColorTexture();
    return ReadFramebuffer(texture->GLFramebuffer(), texture->width, texture->height, false);
}

class SeaGlTest : public WindowSessionTest {
protected:
    FrameDump frames;

    Picture Keep(const std::string &label, Picture p) {
        frames.Keep(label, p.px, p.w, p.h);
        return p;
    }

    // A campaign world in play, active, with spawning on, from a fixed seed.
    void StartSeededWorld(uint32_t seed) {
        Session &s = session();
        s.Start();
        random_Seed = seed;
        c_Game::StartWorld(GameMode_Campaign);
        world_SpawningOn = 1;
        game_StateMachine->m_nextState = ScreenState_Play;
        game_StateMachine->m_nextPhase = ScreenPhase_Active;
    }

    // Only `keep` among the objects (the others are dropped), the sea
    // frozen: the renders that follow differ only by what is drawn.
    static void OnlyObject(c_SwimmingObject *keep) {
        const Array<c_SwimmingObject *> &objects = world_Objects.get();
        for (int i = 0; i < objects.Length(); ++i) objects[i] = nullptr;
        objects[0] = keep;
        world_Running = 0;
    }

    // The window pixels in the virtual rectangle (x0, y0)-(x1, y1) (screen
    // coordinates, ends excluded) that differ from `base`.
    static int Changed(const Picture &a, const Picture &base, int x0, int y0, int x1, int y1) {
        const int scale = screen_Scale;
        int n = 0;
        for (int y = std::max(0, y0 * scale); y < std::min(a.h, y1 * scale); ++y)
            for (int x = std::max(0, x0 * scale); x < std::min(a.w, x1 * scale); ++x)
                if (!a.Same(base, x, y)) ++n;
        return n;
    }
};

// ---------------------------------------------------------------------------

// Each body builds one program (none is lit) for every light count, and the
// material parameters it uses are uniforms of that program.
TEST_F(SeaGlTest, GameShaderBodiesCompileAndLinkWithTheTemplate) {
    session().Start();
    struct Case {
        c_Shader *shader;
        std::vector<std::string> uniforms;
    };
    const Case cases[] = {
        {gc_New<c_RedMaskShader>()->m_new(), {"ColorTexture", "Mask", "Sharpness"}},
        {gc_New<c_AlphaMaskShader>()->m_new(), {"ColorTexture", "Sharpness"}},
        {gc_New<c_GradientShader>()->m_new(), {"ColorTexture", "GradientTexture"}},
    };
    for (const Case &c : cases) {
        // The first bind rebuilds under the current context.
        c.shader->DefaultMaterial()->Bind();
        const Array<c_GLProgram *> &programs = c.shader->m_programs.get();
        ASSERT_EQ(programs.Length(), 5);
        ASSERT_NE(programs[0], nullptr);
        GLint linked = 0;
        gl_EntryPoints.glGetProgramiv(programs[0]->m_program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        for (int n = 1; n < 5; ++n) EXPECT_EQ(programs[n], programs[0]) << n;
        std::vector<std::string> found;
        const Array<c_GLUniform *> &uniforms = programs[0]->m_matUniforms.get();
        for (int i = 0; i < uniforms.Length(); ++i) found.push_back(host_ToUtf8(uniforms[i]->m_name));
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.uniforms);
    }
    EXPECT_EQ(session().Output().find("missing"), std::string::npos) << session().Output();
}

// The water target takes a one-pixel rectangle at (5, 5) exactly there, and
// a target made after a resize is the calm grey all over before anything
// draws into it.
TEST_F(SeaGlTest, WaterTargetTakesDrawingWhereItIsDrawnAndStartsCalm) {
    Session &s = session();
    s.Start();
    c_Image2 *target = world_WaterTarget;
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(target->Width(), 240);
    ASSERT_EQ(target->Height(), 135);
    c_Canvas *canvas = world_WaterCanvas;
    canvas->Clear(0, 0, 0, 1);
    canvas->SetAlpha(1);
    canvas->SetColor(1, 0, 0);
    canvas->DrawRect(5, 5, 1, 1, static_cast<c_Material *>(nullptr), 0, 0, 1, 1);
    canvas->Flush();
    const Picture p = Keep("target", ReadTarget(target));
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
            const Rgba c = p.At(x, y);
            const bool red = x == 5 && y == 5;
            ASSERT_TRUE(c.r == (red ? 255 : 0) && c.g == 0 && c.b == 0 && c.a == 255) << x << ", " << y << " " << c;
        }

    s.ResizeDevice(1000, 540);
    s.Step(1);
    ASSERT_NE(world_WaterTarget.get(), target);
    ASSERT_EQ(world_WaterTarget->Width(), 250);
    const Picture fresh = Keep("resized", ReadTarget(world_WaterTarget));
    for (int y = 0; y < fresh.h; ++y)
        for (int x = 0; x < fresh.w; ++x) {
            const Rgba c = fresh.At(x, y);
            ASSERT_TRUE(std::abs(c.r - 128) <= 1 && c.r == c.g && c.g == c.b && c.a == 255) << x << ", " << y << " " << c;
        }
}

// The sea of a running world: every window pixel is the ramp's colour at
// the grey level of the water target's pixel under it, nothing is black,
// and the grey away from the wakes stays about the calm level, so the
// colour there is about the ramp's calm colour.
TEST_F(SeaGlTest, WaterIsTheRampAtTheTargetsGreyAndCalmAwayFromWakes) {
    StartSeededWorld(1234567);
    Session &s = session();
    s.Step(20);
    // No objects and no rings: what is left is the two layers over the clear.
    OnlyObject(nullptr);
    world_Running = 1;
    const Array<c_WaveEmitter *> &emitters = world_Emitters.get();
    for (int i = 0; i < emitters.Length(); ++i) emitters[i]->m_state = EmitterState_Idle;
    s.Render();
    const Picture window = Keep("window", ReadWindow());
    const Picture grey = Keep("grey", ReadTarget(world_WaterTarget));
    c_Texture *ramp = world_WaterGradientImage->Material()->ColorTexture();
    ASSERT_NE(ramp->data.get(), nullptr);
    const int rampWidth = ramp->width;
    auto rampAt = [&](int level) {
        // Nearest sampling of the ramp at level / 255.
        int i = std::min(rampWidth - 1, level * rampWidth / 255);
        const uint8_t *p = &ramp->data->data[static_cast<size_t>(i) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    };
    auto near = [](Rgba a, Rgba b, int tolerance) {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
    };
    const Rgba calm = rampAt(128);
    // The HUD covers the top bar's rows and the item bar and buttons at the
    // bottom; the sea is compared between them.
    const int seaTop = 12, seaBottom = 105;
    int calmish = 0, samples = 0;
    for (int y = seaTop; y < seaBottom; y += 3)
        for (int x = 0; x < 240; x += 3) {
            const Rgba g = grey.At(x, y);
            const Rgba c = window.At(x * 4 + 2, y * 4 + 2);
            ASSERT_FALSE(c.r == 0 && c.g == 0 && c.b == 0) << x << ", " << y;
            // The grey level may fall on either side of a ramp entry's edge.
            const bool onRamp = near(c, rampAt(g.r), 2) || near(c, rampAt(std::max(0, g.r - 1)), 2) ||
                                near(c, rampAt(std::min(255, g.r + 1)), 2);
            ASSERT_TRUE(onRamp) << x << ", " << y << " grey " << g << " colour " << c << " ramp " << rampAt(g.r);
            ++samples;
            if (std::abs(g.r - 128) <= 32) ++calmish;
        }
    // The layers only ripple the calm grey.
    EXPECT_GT(calmish, samples * 9 / 10) << calmish << " of " << samples;
    // The colour at the calm grey itself is the ramp's calm colour.
    int calmPixels = 0;
    for (int y = seaTop; y < seaBottom; ++y)
        for (int x = 0; x < 240; ++x)
            if (grey.At(x, y).r == 128) {
                ++calmPixels;
                EXPECT_TRUE(near(window.At(x * 4 + 1, y * 4 + 1), calm, 2)) << x << ", " << y;
            }
    EXPECT_GT(calmPixels, 0);
}

// A yacht's sprite lands on its projected position, and nowhere else; as it
// sinks step by step it covers fewer pixels each step.
TEST_F(SeaGlTest, ShipAppearsAtItsProjectionAndSinksStepByStep) {
    StartSeededWorld(99);
    Session &s = session();
    s.Step(10);
    c_ShipSmallYacht *ship = gc_New<c_ShipSmallYacht>()->m_new(3, 60, 20, 0.0f);
    OnlyObject(nullptr);
    s.Render();
    const Picture empty = Keep("empty", ReadWindow());
    OnlyObject(ship);
    s.Render();
    const Picture with = Keep("ship", ReadWindow());
    // iso (40, 40) less the camera.
    const int sx = ship->ScreenX(), sy = ship->ScreenY();
    ASSERT_EQ(sx, 40 - world_CameraX);
    ASSERT_EQ(sy, 40 - world_CameraY);
    // The hull's frame (24 x 20 centred), with the bar and tag above it.
    const int hull = Changed(with, empty, sx - 12, sy - 10, sx + 12, sy + 10);
    EXPECT_GT(hull, 16 * 30);
    EXPECT_EQ(Changed(with, empty, 0, 0, 240, 135), Changed(with, empty, sx - 14, sy - 22, sx + 14, sy + 12));

    // Sinking: the hull's rows only (the bar and tag lie above sy - 11).
    ship->m_hitPoints = 0;
    ship->m_deathState = DeathState_Dying;
    int previous = Changed(with, empty, sx - 14, sy - 11, sx + 14, sy + 22);
    for (int step = 1; step < ship->m_stepCount; ++step) {
        ship->m_fadeStep = step;
        ship->m_alpha = 1.0f - static_cast<float>(2 * step + 1) / static_cast<float>(2 * ship->m_stepCount);
        s.Render();
        const int now = Changed(Keep("sinking" + std::to_string(step), ReadWindow()), empty, sx - 14, sy - 11,
                                sx + 14, sy + 22);
        EXPECT_LT(now, previous) << "step " << step;
        previous = now;
    }
}

// The iceberg covers fewer pixels the smaller its tier's alpha (the larger
// the tier number, the lower the level).
TEST_F(SeaGlTest, SmallerIcebergTierCoversFewerPixels) {
    StartSeededWorld(7);
    Session &s = session();
    s.Step(5);
    c_Player *player = world_Player;
    OnlyObject(nullptr);
    s.Render();
    const Picture empty = Keep("empty", ReadWindow());
    OnlyObject(player);
    const int sx = player->ScreenX(), sy = player->ScreenY();
    int previous = 1 << 30;
    for (int tier : {0, 6, 12, 18, 24}) {
        player->m_fadeStep = tier;
        player->ApplyTier();
        s.Render();
        const int now = Changed(Keep("tier" + std::to_string(tier), ReadWindow()), empty, sx - 24, sy - 30, sx + 24,
                                sy + 12);
        EXPECT_LT(now, previous) << "tier " << tier;
        EXPECT_GT(now, 0) << "tier " << tier;
        previous = now;
    }
}

// A seeded world with ships, wakes, the iceberg, a crate and an ice cube,
// drawn for a few seconds; written out when VELMORA_SEA_SHOT names a file.
TEST_F(SeaGlTest, SeededWorldScreenshot) {
    StartSeededWorld(20240615);
    Session &s = session();
    controls_Throttle = 0.6f;
    controls_SteerAngle = 20.0f;
    s.Step(2);
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    c_Ship *ships[] = {
        gc_New<c_ShipSmallYacht>()->m_new(2, 70, -40, 150.0f),
        gc_New<c_ShipSmallIcebreaker>()->m_new(6, -60, 30, 10.0f),
        gc_New<c_ShipVelmora>()->m_new(20, 30, 90, 290.0f),
        gc_New<c_ShipSmallYacht>()->m_new(1, -70, -50, 60.0f),
    };
    int slot = 1;
    for (c_Ship *ship : ships) {
        while (objects[slot]) ++slot;
        objects[slot] = ship;
        game_AttachWaveEmitter(ship, 1);
    }
    while (objects[slot]) ++slot;
    objects[slot] = gc_New<c_LootCrate>()->m_new(10, 40, -20, 45.0f, 0.1f);
    while (objects[slot]) ++slot;
    objects[slot] = gc_New<c_IceCube>()->m_new(-30, -10, 200.0f, 0.2f);
    s.Step(45);
    // The last yacht is sinking.
    ships[3]->m_hitPoints = 0;
    s.Step(45);
    s.Render();
    const Picture shot = Keep("shot", ReadWindow());
    int black = 0;
    for (int y = 0; y < shot.h; y += 4)
        for (int x = 0; x < shot.w; x += 4) {
            const Rgba c = shot.At(x, y);
            if (c.r == 0 && c.g == 0 && c.b == 0) ++black;
        }
    EXPECT_EQ(black, 0);
    if (const char *path = std::getenv("VELMORA_SEA_SHOT")) {
        EXPECT_NE(stbi_write_png(path, shot.w, shot.h, 4, shot.px.data(), shot.w * 4), 0) << path;
    }
}

}  // namespace
