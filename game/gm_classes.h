// The game's collected classes that the globals name, from the modules
// that own them: the sea, the balloons, the menu's buttons and the shop's.
#pragma once

#include "game/gm_balloon.h"
#include "game/gm_sea.h"
#include "runtime/rt_object.h"

#include "game/gm_menu.h"  // c_GuiButton
#include "game/gm_shop.h"  // c_ShopButton
