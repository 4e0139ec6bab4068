// The sea's pure rules, row by row: projection, XP and tiers, margins,
// rewards, damage shares, the angle factor and the ship frames.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "game/gm_globals.h"
#include "game/gm_seamath.h"
#include "host/hx_main.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class SeaMathTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        program_InitGlobals();
        gc_SetRoots(program_MarkGlobals);
    }
};

TEST_F(SeaMathTest, IsoProjectionTruncatesTowardZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        float x, y;
        int32_t isoX, isoY;
    } rows[] = {
        {0, 0, 0, 0},
        {1.9f, 0.5f, 1, 1},        // 1.4, 1.2
        {-1.9f, 0, -1, 0},         // -1.9 -> -1, -0.95 -> 0 (not floored)
        {-3, 0, -3, -1},           // depth -1.5 -> -1
        {10, 20, -10, 15},
        {2.5f, -2.5f, 5, 0},
        {nan, 0, 0, 0},
        {3e9f, -3e9f, 2147483647, 0},
        {-3e9f, -3e9f, 0, -2147483647 - 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
        EXPECT_EQ(sea_IsoX(r.x, r.y), r.isoX);
        EXPECT_EQ(sea_IsoY(r.x, r.y), r.isoY);
    }
}

TEST_F(SeaMathTest, LevelsTiersAndShapes) {
    const int32_t xpNeeded[20] = {10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 50, 50, 50, 60, 60, 60, 70, 70, 80, 80};
    for (int level = 1; level <= 20; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(sea_XpNeeded(level), xpNeeded[level - 1]);
        EXPECT_EQ(sea_TierOfLevel(level), level <= 2 ? 18 : 20 - level);
    }
    // Levels outside 1..20 read the nearest end of the table.
    EXPECT_EQ(sea_TierOfLevel(0), 18);
    EXPECT_EQ(sea_TierOfLevel(-7), 18);
    EXPECT_EQ(sea_TierOfLevel(21), 0);

    struct Row {
        int32_t tier;
        float size, mass, alpha;
    } rows[] = {
        {0, 12, 36.0f, 0.98f},   {1, 12, 32.46f, 0.94f}, {9, 9, 10.88f, 0.62f}, {17, 6, 1.34f, 0.30f},
        {18, 5, 1.0f, 0.26f},    {19, 5, 0.67f, 0.22f},  {24, 2, 0.25f, 0.02f}, {25, 0, 0.1f, 0.0f},
        {30, 0, 0.1f, 0.0f},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.tier);
        sea_TierShape s = sea_ShapeOfTier(r.tier, 25);
        EXPECT_EQ(s.size, r.size);
        EXPECT_FLOAT_EQ(s.mass, r.mass);
        EXPECT_NEAR(s.alpha, r.alpha, 1e-6f);
    }
}

TEST_F(SeaMathTest, LevelFold) {
    const int32_t rows[][2] = {{1, 1}, {20, 20}, {21, 19}, {24, 16}, {0, 2}, {-1, 3}, {-3, 5}, {10, 10}};
    for (const auto &r : rows) EXPECT_EQ(sea_FoldLevel(r[0]), r[1]) << r[0];
}

TEST_F(SeaMathTest, PlayMargins) {
    struct Row {
        bool wake;
        float speed;
        int32_t mx, my;
    } rows[] = {
        {false, 0.25f, 20, 10},  // pick-ups and objects without a wake
        {false, 0.0f, 20, 10},
        {true, 0.0f, 50, 25},
        {true, 0.25f, 129, 64},   // yacht: t = 56.25
        {true, 0.5f, 208, 104},   // icebreaker: t = 112.5
        {true, 0.2f, 113, 56},    // liner: t = 45
        {true, 1.0f, 367, 184},   // iceberg: t = 225
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.wake << " " << r.speed);
        sea_Margins m = sea_PlayMargins(r.wake, r.speed);
        EXPECT_EQ(m.x, r.mx);
        EXPECT_EQ(m.y, r.my);
    }
}

TEST_F(SeaMathTest, XpReward) {
    struct Row {
        int32_t level, playerLevel;
        bool aggressive;
        int32_t reward;
    } rows[] = {
        {5, 5, false, 10}, {3, 5, false, 5},  {9, 5, false, 20}, {1, 5, false, 1},  // v = 0: at least 1
        {1, 9, false, 1},  {6, 5, false, 12}, {3, 5, true, 10},  {1, 5, true, 2},  {20, 1, true, 114},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.level << " vs " << r.playerLevel << " " << r.aggressive);
        EXPECT_EQ(sea_XpReward(r.level, r.playerLevel, r.aggressive), r.reward);
    }
}

TEST_F(SeaMathTest, DamageRules) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float baseRows[][2] = {{0, 0}, {0.05f, 0}, {0.35f, 3}, {0.99f, 9}, {1.0f, 10}, {1.01f, 10}, {50, 10}, {nan, 0}};
    for (const auto &r : baseRows) EXPECT_EQ(sea_BaseDamage(r[0]), r[1]) << r[0];

    struct ShareRow {
        float la, lb, share;
    } shares[] = {
        {1, 1, 0.5f},   {5, 1, 1.0f},   {1, 5, 0.0f},    {9, 1, 1.5f},   {4, 3, 0.625f},
        {3.9f, 3, 0.5f}, {3, 3.9f, 0.5f},  // the difference truncates toward zero, not down
        {2.1f, 4, 0.375f},
    };
    for (const ShareRow &r : shares) EXPECT_FLOAT_EQ(sea_DamageShare(r.la, r.lb), r.share) << r.la << " " << r.lb;

    const float parts[][3] = {{10, 0.5f, 5}, {3, 0.5f, 1}, {10, 1.5f, 15}, {10, -0.5f, 0}, {10, 0, 0}, {0, 1, 0},
                              {9, 0.625f, 5}};
    for (const auto &r : parts) EXPECT_EQ(sea_DamagePart(static_cast<int32_t>(r[0]), r[1]), r[2]) << r[0] << " " << r[1];
}

TEST_F(SeaMathTest, AngleFactorAndOffset) {
    const float rows[][2] = {{0, 1},   {22.5f, 0.75f}, {45, 0},   {78, -2},   {90, -2},
                             {135, -2}, {150, -2.0f * (30.0f / 45) * (30.0f / 45)}, {180, 0}};
    for (const auto &r : rows) EXPECT_NEAR(sea_AngleFactor(r[0]), r[1], 1e-5f) << r[0];

    const float offs[][3] = {{0, 90, 90}, {350, 10, 20}, {10, 350, 20}, {0, 180, 180}, {90, -90, 180}, {45, 45, 0}};
    for (const auto &r : offs) EXPECT_NEAR(sea_AngleOff(r[0], r[1]), r[2], 1e-4f) << r[0] << " " << r[1];
}

// Every heading a ship can have against every direction atan2 or a course
// can give, in whole degrees: the angle between them, folded into 0..180.
TEST_F(SeaMathTest, AngleOffFoldsEveryHeadingAndDirection) {
    int wrong = 0;
    for (int heading = 0; heading < 360; ++heading) {
        for (int direction = -180; direction < 360; ++direction) {
            int want = ((direction - heading) % 360 + 360) % 360;
            if (want > 180) want = 360 - want;
            const float got = sea_AngleOff(static_cast<float>(heading), static_cast<float>(direction));
            if (std::fabs(got - static_cast<float>(want)) > 1e-3f && ++wrong <= 5) {
                ADD_FAILURE() << "heading " << heading << ", direction " << direction << ": " << got << ", not "
                              << want;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(SeaMathTest, ShipFrames) {
    struct Row {
        float heading;
        int32_t frame;
        float xScale;
    } rows[] = {
        {0, 6, 1},   {45, 8, 1},  {56, 8, 1},    {57, 7, -1}, {90, 6, -1},  {180, 2, -1}, {202.5f, 1, -1}, {213.75f, 0, 1},
        {225, 0, 1}, {270, 2, 1}, {359.9f, 6, 1}, {-45, 5, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.heading);
        sea_ShipFrame f = sea_ShipFrameOf(r.heading);
        EXPECT_EQ(f.frame, r.frame);
        EXPECT_EQ(f.xScale, r.xScale);
    }
}

TEST_F(SeaMathTest, DegreeTrigonometry) {
    EXPECT_NEAR(sea_CosDeg(60), 0.5f, 1e-6f);
    EXPECT_NEAR(sea_SinDeg(30), 0.5f, 1e-6f);
    EXPECT_NEAR(sea_Atan2Deg(1, 1), 45.0f, 1e-5f);
    EXPECT_NEAR(sea_Atan2Deg(0, -1), 180.0f, 1e-5f);
    EXPECT_NEAR(sea_Atan2Deg(-1, 0), -90.0f, 1e-5f);
}

}  // namespace
