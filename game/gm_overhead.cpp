// The short-lived texts and icons over the iceberg: a ring of four infos,
// each made where the iceberg is and gone after 2000 ms of game_Clock.
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

namespace {

// An info lives while game_Clock is at most this much past its time.
constexpr int32_t kLifetimeMs = 1999;

}  // namespace

c_HudOverheadInfo *c_HudOverheadInfo::m_new(int32_t kind, const String &text) {
    m_kind = kind;
    m_time = game_Clock;
    m_text = text;
    const Array<c_HudOverheadInfo *> &ring = hud_OverheadInfos.get();
    // The more infos are showing, the lower the new one starts.
    int32_t shown = 0;
    for (int i = 0; i < ring.Length(); ++i)
        if (ring[i]) ++shown;
    c_Player *player = world_Player;
    m_x = player ? player->m_isoX : 0;
    m_y = math_WrapAdd(player ? player->m_isoY : 0, 6 * shown - 20);
    if (ring.Length() > 0) {
        if (hud_OverheadIndex < 0 || hud_OverheadIndex >= ring.Length()) hud_OverheadIndex = 0;
        ring[hud_OverheadIndex] = this;
        hud_OverheadIndex = (hud_OverheadIndex + 1) % ring.Length();
    }
    return this;
}

void c_HudOverheadInfo::ExpireAll() {
    const Array<c_HudOverheadInfo *> &ring = hud_OverheadInfos.get();
    for (int i = 0; i < ring.Length(); ++i) {
        c_HudOverheadInfo *info = ring[i];
        if (info && math_WrapAdd(game_Clock, -static_cast<int64_t>(info->m_time)) > kLifetimeMs) ring[i] = nullptr;
    }
}
