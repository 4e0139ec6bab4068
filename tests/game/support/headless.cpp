#include "tests/game/support/headless.h"

#include <unistd.h>

#include "game/gm_globals.h"
#include "game/gm_classes.h"
#include "game/gm_screen.h"
#include "host/hx_main.h"

void HeadlessGameTest::SetUp() {
    RuntimeTest::SetUp();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldCwd_ = cwd;
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    game = new HxZentrovaGame();
    program_InitGlobals();
    gc_SetRoots(program_MarkGlobals);
    ScreenLayout l;
    ASSERT_TRUE(game_ComputeScreenLayout(960, 540, &l));
    game_ApplyScreenLayout(l);
    game_LayoutDeadZone();
}

void HeadlessGameTest::TearDown() {
    if (!oldCwd_.empty()) (void)chdir(oldCwd_.c_str());
    RuntimeTest::TearDown();
    delete game;
    game = nullptr;
}

void HeadlessGameTest::WorldStep() {
    world_Delta = 33;
    world_Clock += 33;
    game_UpdateObjects();
    c_Game::UpdateCamera();
    c_WaveLF::Update();
    for (int i = 0; i < world_Emitters.Length(); ++i) world_Emitters[i]->Update();
    c_WaveHF::Update();
    c_Game::SortObjectsByDepth();
}
