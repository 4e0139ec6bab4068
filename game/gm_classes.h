// The game's collected classes that the globals name. The sea's classes
// live in gm_sea.h; the screens' classes are declared here with their base
// so that the globals can hold and mark them, and the module that owns
// each (menu, shop, balloons) gives it its fields and operations.
#pragma once

#include "game/gm_sea.h"
#include "runtime/rt_object.h"

#include "game/gm_menu.h"  // c_GuiButton
#include "game/gm_shop.h"  // c_ShopButton
class c_GuiBalloon : public Object {};
