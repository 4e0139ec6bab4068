// The contact of two swimming objects: overlap by heading-dependent radii,
// the iceberg's pick-ups, the push and bounce by mass, ramming and the
// damage shared by (effective) level.
#include <cmath>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

// The object's radius toward a direction (degrees): its width across the
// heading, its length along it.
float RadiusToward(const c_SwimmingObject *o, float directionDeg) {
    float t = std::fabs(std::fmod(directionDeg - o->m_heading + 360.0f, 180.0f) - 90.0f);
    return o->m_width + t * (o->m_length - o->m_width) / 90.0f;
}

bool Fixed(const c_SwimmingObject *o) { return o->m_inContact != 0 || o->m_immune != 0; }

// The level a collision counts for the object; a ship adds its ramming
// angle toward the other object.
float EffectiveLevel(c_SwimmingObject *self, const c_SwimmingObject *other) {
    float level = self->m_levelF;
    if (dynamic_cast<c_Ship *>(self)) {
        float toOther = sea_Atan2Deg(other->m_y - self->m_y, other->m_x - self->m_x);
        level += sea_AngleFactor(sea_AngleOff(self->m_heading, toOther));
    }
    return level;
}

}  // namespace

float game_AngleFactor(float degrees) { return sea_AngleFactor(degrees); }

void game_CollideObjects(c_SwimmingObject *a, c_SwimmingObject *b) {
    float dx = a->m_x - b->m_x;
    float dy = a->m_y - b->m_y;
    if (std::fabs(dx) > 40.0f && std::fabs(dy) > 40.0f) return;

    float dist = std::sqrt(dx * dx + dy * dy);
    float ang = sea_Atan2Deg(dy, dx) + 180.0f;
    float ra = RadiusToward(a, ang);
    float rb = RadiusToward(b, ang);
    if (!(ra + rb > dist)) return;

    // Velocities before the bounce: the damage reads them too.
    float avx = a->m_vx, avy = a->m_vy, bvx = b->m_vx, bvy = b->m_vy;

    bool pickedUp = false;
    if (a->m_floating != 0 && b->m_canPickUp != 0) {
        a->m_lastCollider = b;
        a->m_fadeStep = a->m_stepCount;
        pickedUp = true;
    } else if (b->m_floating != 0 && a->m_canPickUp != 0) {
        b->m_lastCollider = a;
        b->m_fadeStep = b->m_stepCount;
        pickedUp = true;
    }

    if (!pickedUp && !a->Finished() && !b->Finished()) {
        bool fixedA = Fixed(a), fixedB = Fixed(b);
        if (fixedA && fixedB) return;

        float ma = a->m_mass, mb = b->m_mass;
        float shareA, shareB;
        if (!fixedA && !fixedB) {
            shareA = mb / (ma + mb);
            shareB = ma / (ma + mb);
        } else if (fixedA) {
            shareA = 0;
            shareB = 1;
        } else {
            shareA = 1;
            shareB = 0;
        }

        float nx = 1, ny = 0;
        if (dist != 0) {
            nx = dx / dist;
            ny = dy / dist;
        }
        float overlap = ra + rb - dist;
        a->m_x += nx * overlap * shareA;
        a->m_y += ny * overlap * shareA;
        b->m_x -= nx * overlap * shareB;
        b->m_y -= ny * overlap * shareB;

        if (!fixedA && !fixedB) {
            float sum = ma + mb;
            a->m_vx = ((ma - mb) * avx + 2 * mb * bvx) / sum;
            a->m_vy = ((ma - mb) * avy + 2 * mb * bvy) / sum;
            b->m_vx = (2 * ma * avx + (mb - ma) * bvx) / sum;
            b->m_vy = (2 * ma * avy + (mb - ma) * bvy) / sum;
        } else if (fixedA) {
            b->m_vx = avx - bvx;
            b->m_vy = avy - bvy;
        } else {
            a->m_vx = bvx - avx;
            a->m_vy = bvy - avy;
        }

        a->m_inContact = 1;
        b->m_inContact = 1;

        if (a == world_Player.get()) b->SetHitByPlayer(a->m_level);
        if (b == world_Player.get()) a->SetHitByPlayer(b->m_level);
    }

    if (a->m_alive == 0 || b->m_alive == 0) return;
    float rvx = bvx - avx, rvy = bvy - avy;
    int32_t base = sea_BaseDamage(std::sqrt(rvx * rvx + rvy * rvy));
    float la = EffectiveLevel(a, b);
    float lb = EffectiveLevel(b, a);
    float s = sea_DamageShare(la, lb);
    int32_t toB = sea_DamagePart(base, s);
    int32_t toA = sea_DamagePart(base, 1.0f - s);
    a->TakeDamage(toA);
    b->TakeDamage(toB);
}
