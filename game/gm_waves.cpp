// The sea's moving parts: wake rings, the pool of wave emitters that
// spawn them by distance travelled and by time, prewarming a new object's
// wake, and the scrolling of the two texture layers. Nothing here draws.
#include <cmath>

#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

// Distance between two distance spawns (world units), the timed spawn
// interval, and the delay of the next timed spawn after a distance spawn.
constexpr float kSpawnDistance = 1.5f;
constexpr int32_t kTimedInterval = 750;
constexpr int32_t kDistanceHold = 1500;
// A ring grows this much per ms of world time, up to its start radius + 29.
constexpr float kGrowthPerMs = 0.004f;
constexpr float kGrowth = 29.0f;
// Prewarming replays this many updates of this many ms.
constexpr int32_t kPrewarmSteps = 227;
constexpr int32_t kPrewarmStepMs = 33;
constexpr float kTwoPi = 6.2831853071795864f;
// One 128-pixel texture tile per 128 screen pixels.
constexpr float kTexelScale = 0.0078125f;

// o + speed - d / 128, wrapped into [0, 1).
float Scroll(float o, float speed, int32_t d) {
    float v = std::fmod(o + speed - static_cast<float>(d) / 128.0f + 128.0f, 1.0f);
    if (v < 0) v += 1.0f;
    if (!(v < 1.0f)) v = 0;
    return v;
}

// The texture coordinates of the quad at `at` for offsets (s, t) and
// extent (S, T): (-s, -t), (S - s, -t), (S - s, T - t), (-s, T - t).
void QuadTexcoords(const Array<float> &out, int at, float s, float t, float S, float T) {
    if (out.Length() < at + 8) return;
    out[at + 0] = -s;
    out[at + 1] = -t;
    out[at + 2] = S - s;
    out[at + 3] = -t;
    out[at + 4] = S - s;
    out[at + 5] = T - t;
    out[at + 6] = -s;
    out[at + 7] = T - t;
}

void QuadVertices(const Array<float> &out, int at, float w, float h) {
    if (out.Length() < at + 8) return;
    const float v[8] = {0, 0, w, 0, w, h, 0, h};
    for (int i = 0; i < 8; ++i) out[at + i] = v[i];
}

void QuadIndices(const Array<int32_t> &out, int at, int32_t first) {
    if (out.Length() < at + 6) return;
    const int32_t v[6] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i) out[at + i] = first + v[i];
}

void SetExtent(const Array<float> &extent) {
    if (extent.Length() < 2) return;
    extent[0] = static_cast<float>(screen_Width) * kTexelScale;
    extent[1] = static_cast<float>(screen_Height) * kTexelScale;
}

void LFTexcoords() {
    const Array<float> &o = world_WaveLFOffsets.get();
    const Array<float> &e = world_WaveLFExtent.get();
    if (o.Length() < 4 || e.Length() < 2) return;
    QuadTexcoords(world_WaveLFTexcoords, 0, o[0], o[1], e[0], e[1]);
    QuadTexcoords(world_WaveLFTexcoords, 8, o[2], o[3], e[0], e[1]);
}

void HFTexcoords() {
    const Array<float> &o = world_WaveHFOffsets.get();
    const Array<float> &e = world_WaveHFExtent.get();
    if (o.Length() < 2 || e.Length() < 2) return;
    QuadTexcoords(world_WaveHFTexcoords, 0, o[0], o[1], e[0], e[1]);
}

}  // namespace

// ---------------------------------------------------------------------------
// One ring.

void c_WaveRadial::Start(float x, float y, float amplitude, float direction, float decay, float radius) {
    m_x = x;
    m_y = y;
    m_amplitude = amplitude;
    m_direction = direction;
    m_decay = decay;
    m_startRadius = radius;
    m_radius = radius;
    m_endRadius = radius + kGrowth;
    m_active = 1;
    m_startTime = world_Clock;
}

void c_WaveRadial::Update() {
    if (m_active == 0) return;
    int32_t age = math_WrapAdd(world_Clock, -static_cast<int64_t>(m_startTime));
    m_radius = m_startRadius + static_cast<float>(age) * kGrowthPerMs;
    if (m_radius > m_endRadius) m_active = 0;
}

// ---------------------------------------------------------------------------
// Emitters.

c_WaveEmitter *c_WaveEmitter::m_new() {
    int32_t n = world_WaveRingSize > 0 ? world_WaveRingSize : 1;
    m_ring = Array<c_WaveRadial *>(n);
    const Array<c_WaveRadial *> &ring = m_ring.get();
    for (int i = 0; i < n; ++i) ring[i] = gc_New<c_WaveRadial>()->m_new();
    return this;
}

void c_WaveEmitter::Mark() { gc_Enqueue(m_ring); }

void c_WaveEmitter::Start(float x, float y) {
    m_state = EmitterState_Emitting;
    m_startTime = world_Clock;
    m_distanceBudget = kSpawnDistance;
    m_vx = 0;
    m_vy = 0;
    m_x = x;
    m_y = y;
    m_nextSpawnTime = math_WrapAdd(world_Clock, kTimedInterval);
    m_strength = 2;
}

void c_WaveEmitter::MoveTo(float x, float y) {
    m_vx = x - m_x;
    m_vy = y - m_y;
    m_x = x;
    m_y = y;
}

void c_WaveEmitter::Update() {
    const Array<c_WaveRadial *> &ring = m_ring.get();
    const int n = ring.Length();
    if (m_state == EmitterState_Emitting) {
        float speed = std::sqrt(m_vx * m_vx + m_vy * m_vy);
        bool spawn = false;
        if (!game_ClockReached(world_Clock, m_nextSpawnTime)) {
            m_distanceBudget -= speed;
            if (m_distanceBudget < 0) {
                m_distanceBudget += kSpawnDistance;
                m_nextSpawnTime = math_WrapAdd(world_Clock, kDistanceHold);
                spawn = true;
            }
        } else {
            m_distanceBudget = kSpawnDistance;
            m_nextSpawnTime = math_WrapAdd(m_nextSpawnTime, kTimedInterval);
            spawn = true;
        }
        if (spawn && n > 0) {
            // Still objects leave rings that pulse with the emitter's age
            // (1.5 s period); fast ones leave rings of amplitude 1.
            float direction = sea_Atan2Deg(-m_vy, m_vx);
            float decay = std::exp(-(4.0f * speed) / 0.2f);
            float t = static_cast<float>(math_WrapAdd(world_Clock, -static_cast<int64_t>(m_startTime))) / 1000.0f;
            float amplitude = 0.5f * decay * std::cos(kTwoPi * t * 2.0f / 3.0f) + (1.0f - 0.5f * decay);
            if (m_ringIndex < 0 || m_ringIndex >= n) m_ringIndex = 0;
            ring[m_ringIndex]->Start(m_x, m_y, amplitude, direction, decay, static_cast<float>(m_strength));
            m_ringIndex = (m_ringIndex + 1) % n;
        }
    }
    if (m_state == EmitterState_Idle) return;
    bool anyActive = false;
    for (int i = 0; i < n; ++i) {
        c_WaveRadial *w = ring[i];
        if (w->m_active == 0) continue;
        w->Update();
        if (w->m_active != 0) anyActive = true;
    }
    if (m_state == EmitterState_Fading && !anyActive) m_state = EmitterState_Idle;
}

void c_WaveEmitter::Prewarm(c_SwimmingObject *obj) {
    m_startTime = math_WrapAdd(m_startTime, -kPrewarmSteps * static_cast<int64_t>(kPrewarmStepMs));
    m_nextSpawnTime = math_WrapAdd(m_nextSpawnTime, -kPrewarmSteps * static_cast<int64_t>(kPrewarmStepMs));
    const int32_t savedClock = world_Clock;
    world_Clock = math_WrapAdd(world_Clock, -kPrewarmSteps * static_cast<int64_t>(kPrewarmStepMs));

    // Replay the path the object would have sailed at its present velocity.
    float px = obj->m_x - static_cast<float>(kPrewarmSteps) * obj->m_vx;
    float py = obj->m_y - static_cast<float>(kPrewarmSteps) * obj->m_vy;
    MoveTo(px, py);
    Update();
    for (int step = 0; step < kPrewarmSteps; ++step) {
        px += obj->m_vx;
        py += obj->m_vy;
        world_Clock = math_WrapAdd(world_Clock, kPrewarmStepMs);
        MoveTo(px, py);
        Update();
    }
    world_Clock = savedClock;
}

void game_AttachWaveEmitter(c_SwimmingObject *obj, int32_t prewarm) {
    // An object that still holds an emitter restarts it rather than leave
    // it emitting without an owner.
    c_WaveEmitter *emitter = obj->m_waveEmitter;
    if (!emitter) {
        const Array<c_WaveEmitter *> &pool = world_Emitters.get();
        for (int i = 0; i < pool.Length(); ++i) {
            c_WaveEmitter *e = pool[i];
            if (e && e->m_state == EmitterState_Idle) {
                emitter = e;
                break;
            }
        }
        if (!emitter) return;
        obj->m_waveEmitter = emitter;
    }
    emitter->m_state = EmitterState_Emitting;
    emitter->m_startTime = world_Clock;
    emitter->m_distanceBudget = kSpawnDistance;
    emitter->m_vx = 0;
    emitter->m_vy = 0;
    emitter->m_x = obj->m_x;
    emitter->m_y = obj->m_y;
    emitter->m_nextSpawnTime = math_WrapAdd(world_Clock, kTimedInterval);
    emitter->m_strength = math_TruncToInt(2.0f * obj->m_width);
    if (prewarm != 0) emitter->Prewarm(obj);
}

// ---------------------------------------------------------------------------
// The texture layers.

void c_WaveLF::Init() {
    const float w = static_cast<float>(screen_Width), h = static_cast<float>(screen_Height);
    QuadVertices(world_WaveLFVertices, 0, w, h);
    QuadVertices(world_WaveLFVertices, 8, w, h);
    QuadIndices(world_WaveLFIndices, 0, 0);
    QuadIndices(world_WaveLFIndices, 6, 4);
    SetExtent(world_WaveLFExtent);
    if (world_WaveLFOffsets.Length() > 0) world_WaveLFOffsets[0] = 0.5f;
    LFTexcoords();
}

void c_WaveLF::Update() {
    const Array<float> &o = world_WaveLFOffsets.get();
    if (o.Length() < 4) return;
    o[0] = Scroll(o[0], 0.00055f, world_CameraDeltaX);
    o[1] = Scroll(o[1], 0.00078f, world_CameraDeltaY);
    o[2] = Scroll(o[2], 0.0007f, world_CameraDeltaX);
    o[3] = Scroll(o[3], 0.00049f, world_CameraDeltaY);
    LFTexcoords();
}

void c_WaveHF::Init() {
    const float w = static_cast<float>(screen_Width), h = static_cast<float>(screen_Height);
    QuadVertices(world_WaveHFVertices, 0, w, h);
    QuadIndices(world_WaveHFIndices, 0, 0);
    SetExtent(world_WaveHFExtent);
    HFTexcoords();
}

void c_WaveHF::Update() {
    const Array<float> &o = world_WaveHFOffsets.get();
    if (o.Length() < 2) return;
    o[0] = Scroll(o[0], 0.00055f, world_CameraDeltaX);
    o[1] = Scroll(o[1], 0.0007f, world_CameraDeltaY);
    HFTexcoords();
}
