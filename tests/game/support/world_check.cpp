#include "tests/game/support/world_check.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "game/gm_classes.h"
#include "game/gm_globals.h"

std::string world_CheckWhole(bool depthSorted) {
    std::set<c_SwimmingObject *> seen;
    std::set<c_WaveEmitter *> pool;
    for (int i = 0; i < world_Emitters.Length(); ++i) pool.insert(world_Emitters[i]);
    if (pool.size() != 15) return "the pool lost an emitter";
    if (world_Objects.Length() > 30) return "more than 30 object slots";
    std::map<c_WaveEmitter *, int> owners;
    bool nullSeen = false;
    int lastDepth = INT32_MIN;
    int playerSlots = 0;
    c_Player *p = world_Player;
    for (int i = 0; i < world_Objects.Length(); ++i) {
        c_SwimmingObject *o = world_Objects[i];
        if (!o) {
            nullSeen = true;
            continue;
        }
        std::string at = " (slot " + std::to_string(i) + ", kind " + std::to_string(o->m_kind) + ")";
        if (depthSorted) {
            if (nullSeen) return "an object after a null slot" + at;
            if (o->m_isoY < lastDepth) return "slots out of depth order" + at;
            lastDepth = o->m_isoY;
        }
        if (!seen.insert(o).second) return "an object in two slots" + at;
        if (o == p) ++playerSlots;
        for (float v : {o->m_x, o->m_y, o->m_vx, o->m_vy, o->m_desiredVx, o->m_desiredVy, o->m_heading})
            if (!std::isfinite(v)) return "a position or velocity not finite" + at;
        if (o->m_hitPoints < 0 || o->m_hitPoints > o->m_maxHitPoints) return "hit points out of range" + at;
        if (o->m_fadeStep < 0 || o->m_fadeStep > o->m_stepCount) return "fade step out of range" + at;
        if (c_WaveEmitter *e = o->m_waveEmitter) {
            if (!pool.count(e)) return "an emitter not from the pool" + at;
            if (e->m_state != EmitterState_Emitting) return "an object holds a released emitter" + at;
            ++owners[e];
        }
    }
    if (!p) return "no iceberg";
    if (playerSlots != 1) return "the iceberg is not in exactly one slot";
    if (p->m_face < 0 || p->m_face > 7) return "face out of range";
    if ((p->m_alive != 0) != (p->m_deathState == DeathState_Alive)) return "alive flag and death state disagree";
    if (p->m_hitPoints >= 1 && p->m_alive == 0) return "a dead iceberg has hit points";
    if (p->m_level < 1 || p->m_level > 20) return "level out of range";
    for (c_WaveEmitter *e : pool) {
        if (e->m_state == EmitterState_Emitting && owners[e] != 1)
            return "an emitting emitter with " + std::to_string(owners[e]) + " owners";
        if (e->m_ring.Length() != 151) return "a ring of the wrong size";
        if (e->m_ringIndex < 0 || e->m_ringIndex >= 151) return "ring index out of range";
        for (int k = 0; k < 151; ++k) {
            c_WaveRadial *w = e->m_ring[k];
            if (!std::isfinite(w->m_radius) || !std::isfinite(w->m_amplitude) || !std::isfinite(w->m_x))
                return "a ring not finite";
            if (w->m_active && w->m_radius > w->m_endRadius) return "an active ring past its end";
        }
    }
    if (hud_OverheadIndex < 0 || hud_OverheadIndex > 3) return "overhead index out of range";
    for (int k = 0; k < 4; ++k)
        if (world_WaveLFOffsets[k] < 0 || world_WaveLFOffsets[k] >= 1) return "LF offset out of range";
    if (std::abs(world_ScrollX) > 100000 || std::abs(world_ScrollY) > 100000) return "scroll runaway";
    return "";
}
