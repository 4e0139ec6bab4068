// Collisions: the quick test and the heading-dependent radii, pick-ups,
// fixed objects, the push and bounce by mass, ramming and the damage shared
// by speed, angle and level, in both slot orders.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_screen.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "host/hx_main.h"
#include "renderer/rd_image.h"
#include "tests/runtime/rt_fixture.h"

namespace {

class CollideTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        program_InitGlobals();
        gc_SetRoots(program_MarkGlobals);
        ScreenLayout l;
        ASSERT_TRUE(game_ComputeScreenLayout(960, 540, &l));
        screen_PlayLeft = l.playLeft;
        screen_PlayRight = l.playRight;
        screen_PlayTop = l.playTop;
        screen_PlayBottom = l.playBottom;
        world_CameraX = -(l.width / 2);
        world_CameraY = -(l.height / 2);
        world_Clock = 1000;
        world_Delta = 33;
    }
    // A plain round object of the given radius.
    c_SwimmingObject *Round(int slot, float x, float y, float radius, int32_t level = 1) {
        c_SwimmingObject *o = gc_New<c_SwimmingObject>();
        o->m_x = x;
        o->m_y = y;
        o->m_width = radius;
        o->m_length = radius;
        o->m_level = level;
        o->m_levelF = static_cast<float>(level);
        world_Objects[slot] = o;
        return o;
    }
    c_Player *Iceberg(int slot, float x, float y, int32_t level) {
        c_Player *p = gc_New<c_Player>()->m_new(level);
        p->m_x = x;
        p->m_y = y;
        world_Player = p;
        world_Objects[slot] = p;
        return p;
    }
    c_Ship *Yacht(int slot, float x, float y, int32_t level, float heading) {
        c_Ship *s = gc_New<c_ShipSmallYacht>()->m_new(level, 0, 0, heading);
        s->m_x = x;
        s->m_y = y;
        world_Objects[slot] = s;
        return s;
    }
};

void Collide(c_SwimmingObject *first, c_SwimmingObject *second, bool swapped) {
    if (swapped) {
        game_CollideObjects(second, first);
    } else {
        game_CollideObjects(first, second);
    }
}

TEST_F(CollideTest, QuickTestAndRadii) {
    struct Row {
        const char *name;
        float heading, bx, by;
        float width, length;  // of the first object; the probe has radius 0
        bool touch;
    } rows[] = {
        // A radius of 60: every one of these pairs overlaps.
        {"30 and 50 apart: tested", 0, 30, 50, 60, 60, true},
        {"50 and 30 apart: tested", 0, -50, 30, 60, 60, true},
        {"41 on one axis only: tested", 0, 41, 30, 60, 60, true},
        {"41 on both axes: skipped", 0, 41, 41, 60, 60, false},
        {"-41 on both axes: skipped", 0, -41, -41, 60, 60, false},
        // The liner: 24 along its heading, 8 across, 16 at 45 degrees.
        {"along, inside", 0, 23.9f, 0, 8, 24, true},
        {"along, outside", 0, 24.1f, 0, 8, 24, false},
        {"behind, inside", 0, -23.9f, 0, 8, 24, true},
        {"across, inside", 0, 0, 7.9f, 8, 24, true},
        {"across, outside", 0, 0, -8.1f, 8, 24, false},
        {"45 degrees, inside", 0, 15.9f * 0.70710678f, 15.9f * 0.70710678f, 8, 24, true},
        {"45 degrees, outside", 0, 16.1f * 0.70710678f, -16.1f * 0.70710678f, 8, 24, false},
        {"heading 90: along y", 90, 0, 23.9f, 8, 24, true},
        {"heading 90: across is x", 90, 8.1f, 0, 8, 24, false},
    };
    for (bool swapped : {false, true}) {
        for (const Row &r : rows) {
            SCOPED_TRACE(testing::Message() << r.name << (swapped ? ", swapped" : ""));
            c_SwimmingObject *a = Round(0, 0, 0, 0);
            a->m_width = r.width;
            a->m_length = r.length;
            a->m_heading = r.heading;
            c_SwimmingObject *b = Round(1, r.bx, r.by, 0);
            Collide(a, b, swapped);
            EXPECT_EQ(a->m_inContact, r.touch ? 1 : 0);
            EXPECT_EQ(b->m_inContact, r.touch ? 1 : 0);
            EXPECT_EQ(b->m_x != r.bx || b->m_y != r.by, r.touch);
        }
    }
}

TEST_F(CollideTest, PickUps) {
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped);
        // The iceberg takes a crate without pushing, bouncing or damage.
        c_Player *p = Iceberg(0, 0, 0, 5);
        p->m_vx = 0.5f;
        c_LootCrate *crate = gc_New<c_LootCrate>()->m_new(150, 5, 0, 180, 0.3f);
        world_Objects[1] = crate;
        const float cvx = crate->m_vx;
        Collide(p, crate, swapped);
        EXPECT_EQ(crate->m_lastCollider.get(), p);
        EXPECT_TRUE(crate->Finished());
        EXPECT_EQ(p->m_lastCollider.get(), nullptr);
        EXPECT_FALSE(p->Finished());
        EXPECT_EQ(p->m_x, 0);
        EXPECT_EQ(crate->m_x, 5);
        EXPECT_EQ(p->m_vx, 0.5f);
        EXPECT_EQ(crate->m_vx, cvx);
        EXPECT_EQ(p->m_inContact, 0);
        EXPECT_EQ(crate->m_inContact, 0);
        EXPECT_EQ(p->m_hitPoints, 10);
        EXPECT_EQ(crate->m_hitByPlayer, 0);

        // A dying iceberg picks nothing up: the cube is pushed like any object.
        p->m_canPickUp = 0;
        p->m_alive = 0;
        c_IceCube *cube = gc_New<c_IceCube>()->m_new(5, 0, 0, 0.3f);
        world_Objects[2] = cube;
        Collide(p, cube, swapped);
        EXPECT_EQ(cube->m_lastCollider.get(), nullptr);
        EXPECT_FALSE(cube->Finished());
        EXPECT_EQ(cube->m_inContact, 1);

        // A crate and a ship: pushed apart by mass (the crate takes most).
        c_Ship *s = Yacht(3, 0, 0, 3, 0);
        c_LootCrate *c2 = gc_New<c_LootCrate>()->m_new(150, 9, 0, 0, 0);
        world_Objects[4] = c2;
        Collide(s, c2, swapped);
        // Overlap 8 + 2 - 9 = 1: the ship moves 0.1 / 1.1 of it, the crate 1 / 1.1.
        EXPECT_NEAR(s->m_x, -0.1f / 1.1f, 1e-5f);
        EXPECT_NEAR(c2->m_x, 9 + 1.0f / 1.1f, 1e-5f);
        EXPECT_EQ(s->m_hitPoints, 10);
        EXPECT_EQ(c2->m_lastCollider.get(), nullptr);
    }
}

TEST_F(CollideTest, FixedObjects) {
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped);
        // Already in contact in this pass: it stays; the newcomer takes the
        // fixed object's velocity minus its own.
        c_SwimmingObject *fixed = Round(0, 0, 0, 5);
        fixed->m_inContact = 1;
        fixed->m_vx = 0.5f;
        fixed->m_vy = 0.25f;
        c_SwimmingObject *c = Round(1, 8, 0, 5);
        c->m_vx = -1;
        c->m_vy = 0.5f;
        Collide(fixed, c, swapped);
        EXPECT_EQ(fixed->m_x, 0);
        EXPECT_EQ(fixed->m_vx, 0.5f);
        EXPECT_EQ(fixed->m_vy, 0.25f);
        EXPECT_FLOAT_EQ(c->m_x, 10);  // the whole overlap of 2
        EXPECT_FLOAT_EQ(c->m_vx, 1.5f);
        EXPECT_FLOAT_EQ(c->m_vy, -0.25f);
        EXPECT_EQ(c->m_inContact, 1);

        // Both fixed: nobody moves, nobody is hurt.
        c_SwimmingObject *d = Round(2, 0, 0, 5);
        d->m_immune = 1;
        c_SwimmingObject *e = Round(3, 3, 0, 5);
        e->m_inContact = 1;
        e->m_vx = 2;
        Collide(d, e, swapped);
        EXPECT_EQ(d->m_x, 0);
        EXPECT_EQ(e->m_x, 3);
        EXPECT_EQ(e->m_vx, 2);
        EXPECT_EQ(d->m_hitPoints, 10);
        EXPECT_EQ(e->m_hitPoints, 10);

        // The immune iceberg pushes a ship aside without moving.
        c_Player *p = Iceberg(4, 0, 0, 20);
        p->m_immune = 1;
        p->m_vx = 1;
        c_Ship *s = Yacht(5, 14, 0, 3, 90);
        Collide(p, s, swapped);
        EXPECT_EQ(p->m_x, 0);
        EXPECT_EQ(p->m_vx, 1);
        EXPECT_FLOAT_EQ(s->m_x, 16);  // 12 + 4
        EXPECT_EQ(p->m_hitPoints, 10);
        EXPECT_EQ(s->m_hitPoints, 0);  // 20 levels up: all of it
        EXPECT_EQ(s->m_hitByPlayer, 1);
    }
}

// Damage of one contact, the first object as slot a and then as slot b.
struct DamageRow {
    const char *name;
    // Kind: 'o' a plain round object of radius 4, 'i' the iceberg, 'y' a yacht.
    char kind1;
    int32_t level1;
    float heading1, x1, vx1, vy1;
    char kind2;
    int32_t level2;
    float heading2, x2, vx2, vy2;
    int32_t damage1, damage2;
};

TEST_F(CollideTest, DamageBySpeedAngleAndLevel) {
    const DamageRow rows[] = {
        {"relative speed 0.35 gives 3, four levels up", 'o', 5, 0, 0, 0, 0, 'o', 1, 0, 6, -0.35f, 0, 0, 3},
        {"relative speed 0.35 at equal levels", 'o', 3, 0, 0, 0, 0, 'o', 3, 0, 6, -0.35f, 0, 1, 1},
        {"above 1: 10, shared equally", 'o', 3, 0, 0, 1, 0, 'o', 3, 0, 6, -1, 0, 5, 5},
        {"one level up", 'o', 4, 0, 0, 1, 0, 'o', 3, 0, 6, -1, 0, 3, 6},
        {"eight levels up: one and a half times", 'o', 9, 0, 0, 1, 0, 'o', 1, 0, 6, -1, 0, 0, 15},
        {"standing still: no damage", 'o', 3, 0, 0, 0, 0, 'o', 3, 0, 6, 0, 0, 0, 0},
        {"iceberg 5 rams the side of yacht 3", 'i', 5, 0, -9, 1.5f, 0, 'y', 3, 90, 0, 0, 0.25f, 0, 10},
        {"yacht 3 rams iceberg 4 head on (+1 level)", 'y', 3, 0, 0, 1, 0, 'i', 4, 0, 13, 0, 0, 5, 5},
        {"iceberg 4 hits yacht 3 from behind (0 levels)", 'i', 4, 0, -13, 1.5f, 0, 'y', 3, 0, 0, 0.25f, 0, 3, 6},
        {"two yachts head on", 'y', 3, 0, 0, 0.6f, 0, 'y', 3, 180, 15, -0.6f, 0, 5, 5},
        {"yacht 3 rams yacht 4 broadside: +1 and -2", 'y', 3, 0, 0, 1, 0, 'y', 4, 90, 11, 0, 0, 2, 7},
    };
    for (bool swapped : {false, true}) {
        for (const DamageRow &r : rows) {
            SCOPED_TRACE(testing::Message() << r.name << (swapped ? ", swapped" : ""));
            world_Player = nullptr;
            auto make = [&](int slot, char kind, int32_t level, float heading, float x) -> c_SwimmingObject * {
                if (kind == 'i') return Iceberg(slot, x, 0, level);
                if (kind == 'y') return Yacht(slot, x, 0, level, heading);
                return Round(slot, x, 0, 4, level);
            };
            c_SwimmingObject *o1 = make(0, r.kind1, r.level1, r.heading1, r.x1);
            c_SwimmingObject *o2 = make(1, r.kind2, r.level2, r.heading2, r.x2);
            // Enough hit points to show every damage whole.
            for (c_SwimmingObject *o : {o1, o2}) o->m_hitPoints = o->m_maxHitPoints = 100;
            o1->m_vx = r.vx1;
            o1->m_vy = r.vy1;
            o2->m_vx = r.vx2;
            o2->m_vy = r.vy2;
            Collide(o1, o2, swapped);
            ASSERT_EQ(o1->m_inContact, 1) << "no contact";
            EXPECT_EQ(100 - o1->m_hitPoints, r.damage1);
            EXPECT_EQ(100 - o2->m_hitPoints, r.damage2);
            // Ramming marks what the iceberg touched, with its reward.
            for (auto [self, other] : {std::pair{o1, o2}, std::pair{o2, o1}}) {
                bool rammed = other == world_Player.get();
                EXPECT_EQ(self->m_hitByPlayer, rammed ? 1 : 0);
                if (rammed) {
                    EXPECT_EQ(self->m_xpReward, sea_XpReward(self->m_level, other->m_level, false));
                }
            }
        }
    }
}

// The iceberg rams a yacht from a whole-degree angle off its heading, on
// one side and on the other: mirror images deal the same damage for every
// heading, those between 315 and 360 degrees included.
TEST_F(CollideTest, MirrorImageRamsDealEqualDamage) {
    c_Player *p = Iceberg(0, 0, 0, 5);
    c_Ship *s = Yacht(1, 0, 0, 5, 0);
    // Damage to the yacht, damage to the iceberg.
    auto ram = [&](float heading, float fromDeg) {
        s->m_heading = heading;
        s->m_x = s->m_y = 0;
        s->m_vx = s->m_vy = 0;
        p->m_x = 3 * sea_CosDeg(fromDeg);
        p->m_y = 3 * sea_SinDeg(fromDeg);
        p->m_vx = -1.5f * sea_CosDeg(fromDeg);
        p->m_vy = -1.5f * sea_SinDeg(fromDeg);
        for (c_SwimmingObject *o : {static_cast<c_SwimmingObject *>(p), static_cast<c_SwimmingObject *>(s)}) {
            o->m_hitPoints = o->m_maxHitPoints = 100;
            o->m_inContact = 0;
        }
        game_CollideObjects(p, s);
        EXPECT_EQ(s->m_inContact, 1) << "no contact at heading " << heading << " from " << fromDeg;
        return std::pair{100 - s->m_hitPoints, 100 - p->m_hitPoints};
    };
    // 165 degrees off a yacht heading 350: the angle factor is -0.22 from
    // either side, so the two level-5 objects share the damage equally.
    EXPECT_EQ(ram(350, 350 + 165), (std::pair{5, 5}));
    EXPECT_EQ(ram(350, 350 - 165), (std::pair{5, 5}));

    int unequal = 0;
    for (int heading = 0; heading < 360; ++heading) {
        for (int off = 1; off < 180; ++off) {
            // At 135 the factor is exactly -2 and its whole part drops a
            // level on a rounding error of the direction; skip that edge.
            if (off == 135) continue;
            const auto left = ram(static_cast<float>(heading), static_cast<float>(heading + off));
            const auto right = ram(static_cast<float>(heading), static_cast<float>(heading - off));
            if (left != right && ++unequal <= 5) {
                ADD_FAILURE() << "heading " << heading << ", " << off << " degrees off: " << left.first << " and "
                              << left.second << " from one side, " << right.first << " and " << right.second
                              << " from the other";
            }
        }
    }
    EXPECT_EQ(unequal, 0);
}

TEST_F(CollideTest, SinkingShipIsPushedButNotHurt) {
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped);
        c_Player *p = Iceberg(0, -9, 0, 5);
        p->m_vx = 1.5f;
        c_Ship *s = Yacht(1, 0, 0, 3, 90);
        s->m_hitPoints = 0;
        s->Update();  // starts sinking
        ASSERT_EQ(s->m_alive, 0);
        float sx = s->m_x;
        Collide(p, s, swapped);
        EXPECT_NE(s->m_x, sx);
        EXPECT_EQ(s->m_inContact, 1);
        EXPECT_EQ(p->m_hitPoints, 10);
        EXPECT_EQ(s->m_hitPoints, 0);
    }
}

TEST_F(CollideTest, ElasticBounceKeepsMomentumAndEnergy) {
    std::mt19937 rng(14);
    std::uniform_real_distribution<float> mass(0.1f, 36), vel(-2, 2), unit(0, 1);
    for (int i = 0; i < 500; ++i) {
        SCOPED_TRACE(i);
        c_SwimmingObject *a = Round(0, vel(rng) * 10, vel(rng) * 10, 1 + 10 * unit(rng));
        float ang = unit(rng) * 6.2831853f;
        float reach = (a->m_width + 4) * (0.05f + 0.9f * unit(rng));
        c_SwimmingObject *b = Round(1, a->m_x + std::cos(ang) * reach, a->m_y + std::sin(ang) * reach, 4);
        a->m_mass = mass(rng);
        b->m_mass = mass(rng);
        a->m_vx = vel(rng);
        a->m_vy = vel(rng);
        b->m_vx = vel(rng);
        b->m_vy = vel(rng);
        double ma = a->m_mass, mb = b->m_mass;
        double px = ma * a->m_vx + mb * b->m_vx, py = ma * a->m_vy + mb * b->m_vy;
        double energy = ma * (a->m_vx * a->m_vx + a->m_vy * a->m_vy) + mb * (b->m_vx * b->m_vx + b->m_vy * b->m_vy);
        double cx = ma * a->m_x + mb * b->m_x, cy = ma * a->m_y + mb * b->m_y;
        game_CollideObjects(a, b);
        double scale = 1 + std::fabs(px) + std::fabs(py);
        EXPECT_NEAR(ma * a->m_vx + mb * b->m_vx, px, 1e-4 * scale * (ma + mb));
        EXPECT_NEAR(ma * a->m_vy + mb * b->m_vy, py, 1e-4 * scale * (ma + mb));
        double energyAfter =
            ma * (a->m_vx * a->m_vx + a->m_vy * a->m_vy) + mb * (b->m_vx * b->m_vx + b->m_vy * b->m_vy);
        EXPECT_NEAR(energyAfter, energy, 1e-4 * (1 + energy));
        // Pushed apart about the centre of mass, to just touching.
        EXPECT_NEAR(ma * a->m_x + mb * b->m_x, cx, 1e-4 * (1 + std::fabs(cx)) * (ma + mb));
        EXPECT_NEAR(ma * a->m_y + mb * b->m_y, cy, 1e-4 * (1 + std::fabs(cy)) * (ma + mb));
        EXPECT_NEAR(std::hypot(a->m_x - b->m_x, a->m_y - b->m_y), a->m_width + 4, 1e-3);
    }
}

TEST_F(CollideTest, CoincidentCentresPushAlongX) {
    c_SwimmingObject *a = Round(0, 5, 5, 3);
    c_SwimmingObject *b = Round(1, 5, 5, 3);
    game_CollideObjects(a, b);
    EXPECT_FLOAT_EQ(a->m_x, 8);
    EXPECT_FLOAT_EQ(b->m_x, 2);
    EXPECT_EQ(a->m_y, 5);
    EXPECT_EQ(b->m_y, 5);
}

TEST_F(CollideTest, DamageNeedsAFreshContact) {
    c_SwimmingObject *a = Round(0, 0, 0, 4, 3);
    c_SwimmingObject *b = Round(1, 6, 0, 4, 3);
    // Touching at speed in every update, then apart, then touching again.
    auto touch = [&] {
        a->m_x = 0;
        b->m_x = 6;
        a->m_vx = 1;
        b->m_vx = -1;
        game_CollideObjects(a, b);
    };
    auto update = [&] {
        a->m_vx = a->m_vy = b->m_vx = b->m_vy = 0;
        a->Update();
        b->Update();
    };
    std::vector<int32_t> hp;
    touch();
    hp.push_back(a->m_hitPoints);
    for (int i = 0; i < 3; ++i) {
        update();
        touch();
        hp.push_back(a->m_hitPoints);
    }
    EXPECT_EQ(hp, (std::vector<int32_t>{5, 5, 5, 5}));
    update();  // the last contact: cooldown 70
    update();  // 37
    update();  // 4
    touch();
    EXPECT_EQ(a->m_hitPoints, 5);
    update();  // 70 again
    update();
    update();
    update();  // 0
    touch();
    EXPECT_EQ(a->m_hitPoints, 0);
    EXPECT_EQ(b->m_hitPoints, 0);
}

}  // namespace
