// What the sea's drawing queues, on the fake GL: the texture flags the
// loads end with, the ship's view frame and mirroring per heading, its
// health bar and level tag, the iceberg's face per tier, the wake rings as
// the sea's render hands them to GL, read back from the vertices, and the
// draws that skip a missing image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_draw.h"
#include "game/gm_globals.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_drawlist.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_texture.h"
#include "tests/game/support/session.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/renderer/support/vertices.h"

namespace {

int32_t TextureFlagsOf(c_Image2 *image) { return image->Material()->ColorTexture()->flags; }

class DrawTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        session().Start();
    }
    static c_Canvas *NewCanvas() { return gc_New<c_Canvas>()->m_new(); }
};

// Every asset loads under its own name; only the wake image keeps Filter
// through the mask, the layers repeat, everything else is nearest and
// clamped, and the mask ends at 0.
TEST_F(DrawTest, LoadsEveryImageWithTheFlagsTheMaskLeaves) {
    EXPECT_EQ(session().Output().find("missing"), std::string::npos) << session().Output();
    EXPECT_EQ(ImageFlagsMask, 0);
    using namespace TextureFlags;
    EXPECT_EQ(TextureFlagsOf(world_WaveRadialImage), Filter | ClampS | ClampT);
    EXPECT_EQ(world_WaveLFMaterial->ColorTexture()->flags, Filter);
    EXPECT_EQ(world_WaveHFMaterial->ColorTexture()->flags, Filter);
    EXPECT_EQ(TextureFlagsOf(world_WaterGradientImage), ClampS | ClampT);
    EXPECT_EQ(TextureFlagsOf(world_YachtFrames[0]), ClampS | ClampT);
    EXPECT_EQ(TextureFlagsOf(world_IcebergFaces[7]), ClampS | ClampT);
    EXPECT_EQ(world_LinerOutlines.Length(), 9);
    // The faces see the mask through "Mask"; the water image the target.
    c_Texture *mask = world_IcebergFaces[0]->Material()->GetTexture(String(u"Mask"), nullptr);
    ASSERT_NE(mask, nullptr);
    EXPECT_NE(mask, c_Texture::White());
    EXPECT_EQ(world_WaterImage->Material()->ColorTexture(), world_WaterTarget->Material()->ColorTexture());
    EXPECT_EQ(world_WaterImage->Material()->GetTexture(String(u"GradientTexture"), nullptr),
              world_WaterGradientImage->Material()->ColorTexture());
}

// Outline and hull show the frame of the heading's view, mirrored for the
// left-facing views; the hull sits one pixel lower per sinking step.
TEST_F(DrawTest, ShipFrameAndMirrorFollowTheHeading) {
    struct Case {
        float heading;
        int frame;
        bool mirrored;
    };
    const Case cases[] = {{0, 6, false}, {45, 8, false}, {90, 6, true}, {180, 2, true}, {225, 0, false}, {270, 2, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.heading);
        c_ShipSmallYacht *ship = gc_New<c_ShipSmallYacht>()->m_new(1, 10, 10, c.heading);
        ship->m_fadeStep = 3;
        c_Canvas *canvas = NewCanvas();
        ship->Render(canvas);
        const std::vector<gfx2_Vertex> v = Pending(canvas);
        ASSERT_GE(v.size(), 8u);
        for (int quad = 0; quad < 2; ++quad) {
            const gfx2_Vertex &a = v[quad * 4], &b = v[quad * 4 + 1];
            EXPECT_EQ(static_cast<int>(std::lround(std::min(a.s, b.s) * 9)), c.frame) << "quad " << quad;
            // The first corner is the frame's left texel column.
            EXPECT_EQ(a.x > b.x, c.mirrored) << "quad " << quad;
            EXPECT_FLOAT_EQ((a.x + b.x) / 2, static_cast<float>(ship->m_isoX));
        }
        EXPECT_FLOAT_EQ(v[4].y - v[0].y, 3.0f);
    }
}

// The green part of the bar is ceil((bar width - 10) x hit points /
// maximum) pixels long.
TEST_F(DrawTest, HealthBarLengthFollowsHitPoints) {
    struct Case {
        bool liner;
        int hitPoints;
        float length;
    };
    const Case cases[] = {{false, 10, 14}, {false, 5, 7}, {false, 1, 2}, {false, 0, 0}, {true, 10, 54}, {true, 3, 17}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.hitPoints);
        c_Ship *ship = c.liner ? static_cast<c_Ship *>(gc_New<c_ShipVelmora>()->m_new(20, 0, 0, 0))
                               : gc_New<c_ShipSmallYacht>()->m_new(1, 0, 0, 0);
        ship->m_hitPoints = c.hitPoints;
        c_Canvas *canvas = NewCanvas();
        ship->Render(canvas);
        const std::vector<gfx2_Vertex> v = Pending(canvas);
        // Outline, hull, two grey rectangles, then the green one.
        ASSERT_GE(v.size(), 20u);
        const gfx2_Vertex &a = v[16], &b = v[17];
        EXPECT_EQ(a.color, 0xff00cc00u);
        EXPECT_FLOAT_EQ(b.x - a.x, c.length);
        EXPECT_FLOAT_EQ(a.x, static_cast<float>(ship->m_isoX - ship->m_barWidth / 2 + 9));
    }
}

// The tag over the bar tells how the ship measures up to the iceberg: dark
// red from 3 levels above it, amber from its level to 2 above, green from 1
// to 3 below, grey from 4 below; it sits at the bar's left end, 7 rows up.
TEST_F(DrawTest, LevelTagColourComparesTheShipWithTheIceberg) {
    world_Player = gc_New<c_Player>()->m_new(10);
    struct Case {
        int level;
        float r, g, b;
    };
    const Case cases[] = {{20, 0.4f, 0, 0},    {13, 0.4f, 0, 0}, {12, 0.6f, 0.45f, 0}, {11, 0.6f, 0.45f, 0},
                          {10, 0.6f, 0.45f, 0}, {9, 0, 0.6f, 0},  {7, 0, 0.6f, 0},       {6, 0.5f, 0.5f, 0.5f},
                          {1, 0.5f, 0.5f, 0.5f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.level);
        c_ShipSmallYacht *ship = gc_New<c_ShipSmallYacht>()->m_new(c.level, 30, 10, 0);
        c_Canvas *canvas = NewCanvas();
        ship->Render(canvas);
        const std::vector<gfx2_Vertex> v = Pending(canvas);
        // Outline, hull, the bar's three rectangles, then the tag.
        ASSERT_GE(v.size(), 24u);
        EXPECT_EQ(v[20].color, gfx2_PackColor(c.r, c.g, c.b, 255));
        // iso (20, 20); the yacht's bar is 24 wide, 12 rows over it.
        EXPECT_FLOAT_EQ(v[20].x, 8.0f);
        EXPECT_FLOAT_EQ(v[20].y, 1.0f);
    }
}

// The face sinks a row per tier as the iceberg gets smaller, except at the
// tiers 4, 8, 11, 15, 18, 21 and 24, where it keeps the row of the tier
// before; the outline stays centred 8 rows over the iceberg's place.
TEST_F(DrawTest, IcebergFaceSinksWithItsTier) {
    // The face's top row against the iceberg's iso y, tiers 0 to 24.
    const int top[25] = {-24, -23, -22, -21, -21, -20, -19, -18, -18, -17, -16, -16, -15,
                         -14, -13, -13, -12, -11, -11, -10, -9,  -9,  -8,  -7,  -7};
    c_Player *player = gc_New<c_Player>()->m_new(1);
    player->m_x = 30;
    player->m_y = 10;
    player->UpdateScreenPos();
    for (int tier = 0; tier < 25; ++tier) {
        SCOPED_TRACE(tier);
        player->m_fadeStep = tier;
        player->ApplyTier();
        c_Canvas *canvas = NewCanvas();
        player->Render(canvas);
        const std::vector<gfx2_Vertex> v = Pending(canvas);
        ASSERT_EQ(v.size(), 8u);
        EXPECT_FLOAT_EQ((v[0].x + v[2].x) / 2, 20.0f);
        EXPECT_FLOAT_EQ((v[0].y + v[2].y) / 2, 12.0f);
        EXPECT_FLOAT_EQ((v[4].x + v[6].x) / 2, 20.0f);
        EXPECT_FLOAT_EQ(std::min(v[4].y, v[6].y), static_cast<float>(20 + top[tier]));
    }
}

// The sea as its render hands it to GL: each active ring is the wake image
// twice, both centred on the ring's centre projected like the sea (iso
// (x - y, (x + y) / 2) less the camera); on the sea the image is a square
// whose ring (244 texels from its centre) has the ring's radius; its grey is
// |amplitude| at alpha ((1 - decay) x 0.1 + 0.5) x (1 - radius / end
// radius), so 0.5 for a still object's ring, 0.6 for a fast one's, fading
// linearly to 0 at the end radius; a still object's copies are turned 180
// degrees apart, a fast one's coincide.
TEST_F(DrawTest, WakeRingsLieOnTheSeaAtTheirRadiusAndFadeAsTheyGrow) {
    c_Game::StartWorld(GameMode_OpenWorld);
    const Array<c_WaveEmitter *> &emitters = world_Emitters.get();
    for (int i = 0; i < emitters.Length(); ++i) emitters[i]->m_state = EmitterState_Idle;
    c_WaveEmitter *emitter = emitters[3];
    emitter->m_state = EmitterState_Emitting;
    const Array<c_WaveRadial *> &ring = emitter->m_ring.get();
    for (int i = 0; i < ring.Length(); ++i) ring[i]->m_active = 0;

    struct Case {
        float x, y, amplitude, direction, decay, startRadius, radius;
        float screenX, screenY;  // the centre on the water target
        float alpha, spread;
    };
    const Case cases[] = {
        // A still iceberg's ring as it spawns, at the top of its pulse.
        {30, 10, 1.0f, 0, 1.0f, 10, 10, 40, 15, 0.5f * 29 / 39, 180},
        // The same ring halfway through its growth, halfway down the pulse.
        {30, 10, 0.5f, 0, 1.0f, 10, 24.5f, 40, 15, 0.5f * 14.5f / 39, 180},
        // At its end radius it has faded out.
        {30, 10, 1.0f, 0, 1.0f, 10, 39, 40, 15, 0, 180},
        // A fast yacht's ring (strength 8) halfway.
        {-12, 40, 1.0f, 135, 0.0f, 8, 22.5f, -32, 9, 0.6f * 14.5f / 37, 0},
    };
    const int rings = static_cast<int>(std::size(cases));
    for (int i = 0; i < rings; ++i) {
        const Case &c = cases[i];
        ring[i]->Start(c.x, c.y, c.amplitude, c.direction, c.decay, c.startRadius);
        ring[i]->m_radius = c.radius;
    }
    world_CameraX = -20;
    world_CameraY = 5;
    game_MainCanvas->Flush();
    FakeGl::ClearLog();
    game_RenderWater();

    // The LF layer's 4 triangles, two quads per ring, the HF layer's 2
    // triangles, in one upload.
    const int vertices = 12 + 8 * rings + 6;
    ASSERT_EQ(FakeGl::Calls("glBufferSubData"),
              std::vector<std::string>{"glBufferSubData(GL_ARRAY_BUFFER, 0, " + std::to_string(vertices * 28) +
                                       ", data)"});
    const std::vector<uint8_t> bytes = FakeGl::BufferBytes(gfx2_VertexBuffer);
    ASSERT_GE(bytes.size(), static_cast<size_t>(vertices) * 28);
    auto vertex = [&](int k) {
        gfx2_Vertex v;
        std::memcpy(&v, bytes.data() + 28 * k, sizeof v);
        return v;
    };
    // Texels from the wake image's centre to its edge.
    const float half = static_cast<float>(world_WaveRadialImage->Width()) / 2;
    for (int i = 0; i < rings; ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(i);
        float angle[2];
        for (int copy = 0; copy < 2; ++copy) {
            SCOPED_TRACE(copy);
            float sx = 0, sy = 0;
            float wx[4], wy[4];
            for (int k = 0; k < 4; ++k) {
                const gfx2_Vertex v = vertex(12 + 8 * i + 4 * copy + k);
                // Premultiplied grey at the ring's alpha, to the byte.
                const int a = static_cast<int>(v.color >> 24), r = static_cast<int>(v.color & 0xff);
                const int g = static_cast<int>(v.color >> 8 & 0xff), b = static_cast<int>(v.color >> 16 & 0xff);
                EXPECT_NEAR(a, c.alpha * 255, 1) << std::hex << v.color;
                EXPECT_NEAR(r, std::fabs(c.amplitude) * c.alpha * 255, 1) << std::hex << v.color;
                EXPECT_EQ(g, r);
                EXPECT_EQ(b, r);
                sx += v.x / 4;
                sy += v.y / 4;
                // Back onto the sea: u = x - y, w = (x + y) / 2.
                const float u = v.x + static_cast<float>(world_CameraX), w = v.y + static_cast<float>(world_CameraY);
                wx[k] = (u + 2 * w) / 2;
                wy[k] = (2 * w - u) / 2;
            }
            EXPECT_NEAR(sx, c.screenX, 1e-3);
            EXPECT_NEAR(sy, c.screenY, 1e-3);
            // A square on the sea, centred on the ring, whose ring is at the
            // ring's radius: a circle, flattened only by the projection.
            const float cx = (wx[0] + wx[1] + wx[2] + wx[3]) / 4, cy = (wy[0] + wy[1] + wy[2] + wy[3]) / 4;
            EXPECT_NEAR(cx, c.x, 1e-3);
            EXPECT_NEAR(cy, c.y, 1e-3);
            for (int k = 0; k < 4; ++k) {
                const float side = std::hypot(wx[(k + 1) % 4] - wx[k], wy[(k + 1) % 4] - wy[k]);
                EXPECT_NEAR(side / 2 / half * 244, c.radius, 1e-3) << "side " << k;
                const float diagonal = std::hypot(wx[(k + 2) % 4] - wx[k], wy[(k + 2) % 4] - wy[k]);
                EXPECT_NEAR(diagonal, side * std::sqrt(2.0f), 1e-3) << "corner " << k;
            }
            angle[copy] = std::atan2(wy[0] - cy, wx[0] - cx) * 180 / static_cast<float>(M_PI);
        }
        EXPECT_NEAR(std::fabs(std::remainder(angle[1] - angle[0], 360.0f)), c.spread, 1e-2);
    }
}

// With its images gone a ship still draws its bar and level, and a crate,
// an ice cube, the iceberg and the sea's missing pieces draw nothing.
TEST_F(DrawTest, MissingImagesAreSkipped) {
    world_YachtFrames = Array<c_Image2 *>();
    world_YachtOutlines = Array<c_Image2 *>();
    world_LevelTagImage = nullptr;
    world_LootImage = nullptr;
    world_IceCubeImage = nullptr;
    world_IcebergOutline = nullptr;
    const Array<c_Image2 *> &faces = world_IcebergFaces.get();
    for (int i = 0; i < faces.Length(); ++i) faces[i] = nullptr;

    c_Canvas *canvas = NewCanvas();
    c_ShipSmallYacht *ship = gc_New<c_ShipSmallYacht>()->m_new(12, 0, 0, 0);
    ship->Render(canvas);
    const std::vector<gfx2_Vertex> v = Pending(canvas);
    // Three bar rectangles and the two digits.
    ASSERT_EQ(v.size(), 20u);
    EXPECT_EQ(v[0].color, 0xff595959u);

    canvas->Reset();
    gc_New<c_LootCrate>()->m_new(1, 0, 0, 0, 0)->Render(canvas);
    gc_New<c_IceCube>()->m_new(0, 0, 0, 0)->Render(canvas);
    gc_New<c_Player>()->m_new(5)->Render(canvas);
    EXPECT_TRUE(canvas->IsEmpty());

    // One active ring is the wake image twice; without the image, and
    // without the layers' materials, the sea is the grey clear alone.
    c_Game::StartWorld(GameMode_OpenWorld);
    for (int i = 0; i < world_Emitters.Length(); ++i) world_Emitters[i]->m_state = EmitterState_Idle;
    world_Emitters[14]->m_ring[0]->Start(0, 0, 1, 0, 0, 10);
    world_Emitters[14]->m_state = EmitterState_Emitting;
    canvas = NewCanvas();
    game_DrawAllWaves(canvas);
    EXPECT_EQ(Pending(canvas).size(), 8u);
    world_WaveLFMaterial = nullptr;
    world_WaveHFMaterial = nullptr;
    world_WaveRadialImage = nullptr;
    canvas = NewCanvas();
    game_DrawWaveLayerLF(canvas);
    game_DrawAllWaves(canvas);
    game_DrawWaveLayerHF(canvas);
    EXPECT_TRUE(canvas->IsEmpty());
    game_RenderWater();
    session().Step(2);
}

}  // namespace

namespace {

// Drawing a running world while every event ends in a full collection:
// whatever the drawing uses (shaders, materials, images, the water target
// and canvas) is reachable from the program's roots.
TEST(DrawSession, RunningWorldDrawsUnderFullCollections) {
    SessionOptions options;
    options.forceFullCollections = true;
    Session s(options);
    s.Start();
    c_Game::StartWorld(GameMode_OpenWorld);
    world_SpawningOn = 1;
    game_StateMachine->m_nextState = ScreenState_Play;
    game_StateMachine->m_nextPhase = ScreenPhase_Active;
    world_Objects[1] = gc_New<c_ShipSmallYacht>()->m_new(1, 30, 0, 0);
    s.Step(40);
    EXPECT_NE(world_WaterImage->Material()->GetTexture(String(u"GradientTexture"), nullptr), c_Texture::White());
    EXPECT_EQ(world_YachtFrames[0]->Material()->Shader(), world_ShipShader.get());
}

}  // namespace
