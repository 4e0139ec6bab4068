// The game without a window or GL, for the logic of the world and the
// progress record: a clean collector, a host object, the program's globals
// at their first values with the program's roots, a private current folder
// (the host writes the state file there: a death or a save lands in it) and
// the screen globals of a 960 x 540 device. Nothing is drawn or loaded.
#pragma once

#include <string>

#include "host/hx_game.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/temp_dir.h"

class HeadlessGameTest : public RuntimeTest {
protected:
    TempDir dir;
    HxZentrovaGame *game = nullptr;

    void SetUp() override;
    void TearDown() override;
    // One world update of 33 ms as the play screen runs it (object pass,
    // camera, wave layers and emitters), then the depth sort a render would
    // make: slot order is also collision order.
    void WorldStep();

private:
    std::string oldCwd_;
};
