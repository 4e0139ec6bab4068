// What the sea's drawing queues, on the fake GL: the texture flags the
// loads end with, the ship's view frame and mirroring per heading and its
// health bar, read back from the draw list's vertices, and the draws that
// skip a missing image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "game/gm_draw.h"
#include "game/gm_globals.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_texture.h"
#include "tests/game/support/session.h"

namespace {

struct Vertex {
    float x, y, s, t, tx, ty;
    uint32_t color;
};
static_assert(sizeof(Vertex) == 28);

// The vertices a canvas holds, not yet flushed.
std::vector<Vertex> Pending(c_Canvas *canvas) {
    std::vector<Vertex> v(static_cast<size_t>(canvas->m_vertexBytes) / sizeof(Vertex));
    if (!v.empty()) std::memcpy(v.data(), canvas->m_vertexData->data, v.size() * sizeof(Vertex));
    return v;
}

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
        const std::vector<Vertex> v = Pending(canvas);
        ASSERT_GE(v.size(), 8u);
        for (int quad = 0; quad < 2; ++quad) {
            const Vertex &a = v[quad * 4], &b = v[quad * 4 + 1];
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
        const std::vector<Vertex> v = Pending(canvas);
        // Outline, hull, two grey rectangles, then the green one.
        ASSERT_GE(v.size(), 20u);
        const Vertex &a = v[16], &b = v[17];
        EXPECT_EQ(a.color, 0xff00cc00u);
        EXPECT_FLOAT_EQ(b.x - a.x, c.length);
        EXPECT_FLOAT_EQ(a.x, static_cast<float>(ship->m_isoX - ship->m_barWidth / 2 + 9));
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
    const std::vector<Vertex> v = Pending(canvas);
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
