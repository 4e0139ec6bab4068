// The program's first values: everything the game's initialiser sets to
// something other than null, 0, "" or the empty array, and the lengths of
// the fixed arrays.
#include <gtest/gtest.h>

#include <vector>

#include "game/gm_globals.h"
#include "host/hx_game.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"
#include "tests/runtime/rt_fixture.h"

namespace {

template <class T>
std::vector<T> Values(const ArrayField<T> &a) {
    std::vector<T> v;
    for (int i = 0; i < a.Length(); ++i) v.push_back(a[i]);
    return v;
}

class GlobalsTest : public RuntimeTest {
protected:
    HxZentrovaGame game;
    void SetUp() override {
        RuntimeTest::SetUp();
        // Everything the initialiser sets, disturbed first.
        random_Seed = 99;
        ImageFlagsMask = 7;
        progress_LevelCampaign = 0;
        world_Running = 0;
        game_Clock = 5;
        program_InitGlobals();
        gc_SetRoots(program_MarkGlobals);
    }
};

TEST_F(GlobalsTest, FirstValues) {
    EXPECT_EQ(random_Seed, 1234u);
    EXPECT_EQ(ImageFlagsMask, 259);
    EXPECT_EQ(progress_LevelCampaign, 1);
    EXPECT_EQ(progress_LevelOpenWorld, 1);
    EXPECT_EQ(progress_Exists, 0);
    EXPECT_EQ(world_Running, 1);
    EXPECT_EQ(world_WaveRingSize, 151);
    EXPECT_EQ(game_Clock, 0);
    EXPECT_EQ(game_StateMachine.get(), nullptr);

    EXPECT_EQ(Values(LevelTierTable),
              (std::vector<int32_t>{18, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(Values(TierSizeTable), (std::vector<int32_t>{12, 12, 12, 12, 11, 11, 10, 10, 9, 9, 9, 8, 8, 8, 7, 6, 6,
                                                           6, 5, 5, 4, 3, 3, 3, 2}));
    EXPECT_EQ(Values(TierMassTable),
              (std::vector<float>{36.0f, 32.46f, 29.1f, 25.93f, 22.95f, 20.16f, 17.56f, 15.14f, 12.91f, 10.88f, 9.02f,
                                  7.36f, 5.89f, 4.6f, 3.51f, 2.6f, 1.88f, 1.34f, 1.0f, 0.67f, 0.5f, 0.4f, 0.33f, 0.29f,
                                  0.25f}));
    EXPECT_EQ(Values(ShopPriceTable), (std::vector<int32_t>{200, 999, 1999, 4999}));
    EXPECT_EQ(Values(ItemKeyTable), (std::vector<int32_t>{49, 50, 51}));
    EXPECT_EQ(Values(ButtonKeyTable), (std::vector<int32_t>{27, 27, 32}));
    ASSERT_EQ(splash_Lines.Length(), 1);
    EXPECT_TRUE(splash_Lines[0].Empty());
}

TEST_F(GlobalsTest, FixedArrayLengths) {
    const struct {
        const char *name;
        int length, want;
    } arrays[] = {
        {"world_Objects", world_Objects.Length(), 30},
        {"world_Emitters", world_Emitters.Length(), 15},
        {"hud_OverheadInfos", hud_OverheadInfos.Length(), 4},
        {"shop_Buttons", shop_Buttons.Length(), 6},
        {"credits_Targets", credits_Targets.Length(), 2},
        {"world_IcebergFaces", world_IcebergFaces.Length(), 8},
        {"controls_ItemHit", controls_ItemHit.Length(), 3},
        {"controls_YouDiedDown", controls_YouDiedDown.Length(), 3},
        {"balloon_TexCoords", balloon_TexCoords.Length(), 44},
        {"balloon_Indices", balloon_Indices.Length(), 66},
        {"world_WaveLFVertices", world_WaveLFVertices.Length(), 16},
        {"world_WaveLFIndices", world_WaveLFIndices.Length(), 12},
        {"world_WaveLFTexcoords", world_WaveLFTexcoords.Length(), 16},
        {"world_WaveHFVertices", world_WaveHFVertices.Length(), 8},
        {"world_WaveHFIndices", world_WaveHFIndices.Length(), 6},
        {"world_WaveHFTexcoords", world_WaveHFTexcoords.Length(), 8},
        {"splash_ShardPoints", splash_ShardPoints.Length(), 66},
        {"splash_GlitchDepth", splash_GlitchDepth.Length(), 8},
        {"splash_ShardDelay", splash_ShardDelay.Length(), 32},
        {"splash_ShardColours", splash_ShardColours.Length(), 96},
        {"splash_LineX", splash_LineX.Length(), 2},
        // Strips start as the shared empty array until their loader runs.
        {"hud_ItemsStrip", hud_ItemsStrip.Length(), 0},
        {"world_YachtFrames", world_YachtFrames.Length(), 0},
        {"credits_Lines", credits_Lines.Length(), 0},
    };
    for (const auto &a : arrays) EXPECT_EQ(a.length, a.want) << a.name;
    EXPECT_TRUE(hud_ItemsStrip.get().IsEmptyRep());
    for (int i = 0; i < world_Objects.Length(); ++i) EXPECT_EQ(world_Objects[i], nullptr);
}

// Every array and object the initialiser makes survives a full collection:
// the roots reach them all.
TEST_F(GlobalsTest, RootsKeepEveryGlobal) {
    gc_CollectAll();
    gc_CollectAll();
    EXPECT_EQ(Values(ShopPriceTable), (std::vector<int32_t>{200, 999, 1999, 4999}));
    EXPECT_EQ(world_Objects.Length(), 30);
    EXPECT_EQ(splash_ShardColours.Length(), 96);
}

}  // namespace
