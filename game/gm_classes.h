// The game's collected classes that the globals name. Each is declared
// here with its base so that the globals can hold and mark it; the module
// that owns a class (world, HUD, menu, shop, balloons) gives it its fields
// and operations.
#pragma once

#include "runtime/rt_object.h"

class c_SwimmingObject : public Object {};
class c_Player : public c_SwimmingObject {};
class c_WaveEmitter : public Object {};
class c_HudOverheadInfo : public Object {};
class c_GuiButton : public Object {};
class c_ShopButton : public c_GuiButton {};
class c_GuiBalloon : public Object {};
