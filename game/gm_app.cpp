#include "game/gm_app.h"

#include "game/gm_assets.h"
#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_controls.h"
#include "game/gm_credits.h"
#include "game/gm_draw.h"
#include "game/gm_hud.h"
#include "game/gm_progress.h"
#include "game/gm_screen.h"
#include "game/gm_splash.h"
#include "game/gm_story.h"
#include "host/hx_input.h"
#include "host/hx_keys.h"
#include "host/hx_main.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_globals.h"
#include "renderer/rd_image.h"
#include "runtime/rt_math.h"

// ---------------------------------------------------------------------------
// State machine.

void c_StateMachine::Update() {
    if (m_nextState != m_state) {
        m_state = m_nextState;
        m_stateEntryTime = game_Clock;
    }
    if (m_nextPhase != m_phase) {
        m_phase = m_nextPhase;
        m_phaseEntryTime = game_Clock;
    }
}

bool c_StateMachine::Is(int32_t state, int32_t phaseMask) { return m_state == state && (m_phase & phaseMask) != 0; }

int32_t c_StateMachine::TimeInPhase() { return math_WrapAdd(game_Clock, -static_cast<int64_t>(m_phaseEntryTime)); }

void c_StateMachine::SetState(int32_t state) {
    m_nextState = state;
    m_nextPhase = ScreenPhase_Waiting;
}

void c_StateMachine::SetPhase(int32_t phase) { m_nextPhase = phase; }

void c_StateMachine::SetStateAndPhase(int32_t state, int32_t phase) {
    m_nextState = state;
    m_nextPhase = phase;
}

void c_StateMachine::Reset() {
    m_nextState = ScreenState_Splash;
    m_nextPhase = ScreenPhase_Waiting;
}

// ---------------------------------------------------------------------------
// Hooks.

int c_MyApp::OnResize() {
    game_SetupScreen();
    return 0;
}

int c_MyApp::OnCreate() {
    // The random generator starts from the milliseconds of the day.
    Array<int> date = app_GetDate();
    int64_t ms = static_cast<int64_t>(date[3]) * 3600000 + static_cast<int64_t>(date[4]) * 60000 +
                 static_cast<int64_t>(date[5]) * 1000 + date[6];
    random_Seed = static_cast<uint32_t>(ms);
    app_SetUpdateRate(30);
    ImageFlagsMask = 0;
    game_Font = game_LoadFont(String(u"font.png"));
    game_TinyFont = game_LoadFont(String(u"fonttiny.png"));
    game_LoadCredits();
    game_LoadProgress();
    game_LoadWaterAssets();
    game_LoadActorImages();

    // The HUD and the speech balloon.
    game_LoadHudTagsImage();
    game_LoadHudItemsImage();
    game_LoadHudButtonsImage();
    game_LoadHudPauseButtonsImage();
    game_LoadHudYouDiedButtonsImage();
    game_LoadItemIcons();
    game_LoadBalloonAssets();

    // The screens.
    game_LoadMenu();
    game_LoadShop();
    game_LoadSplash();
    game_SetupScreen();
    c_StateMachine *machine = gc_New<c_StateMachine>()->m_new();
    machine->Reset();
    game_StateMachine = machine;
    c_SplashScreen::Reset();
    return 0;
}

int c_MyApp::OnSuspend() {
    game_SuspendedAt = app_Millisecs();
    game_SaveProgress();
    return 0;
}

int c_MyApp::OnResume() {
    int32_t away = math_WrapAdd(app_Millisecs(), -static_cast<int64_t>(game_SuspendedAt));
    game_SuspendedTime = math_WrapAdd(game_SuspendedTime, away);
    return 0;
}

int c_MyApp::OnUpdate() {
    // The clocks: measured time less the time spent suspended. The host's
    // counter wraps after 24.8 days; the differences wrap with it.
    game_PrevMillisecs = game_LastMillisecs;
    game_LastMillisecs = app_Millisecs();
    game_RawDelta = math_WrapAdd(game_LastMillisecs, -static_cast<int64_t>(game_PrevMillisecs));
    game_FrameDelta = math_WrapAdd(game_RawDelta, -static_cast<int64_t>(game_SuspendedTime));
    game_SuspendedTime = 0;
    game_Clock = math_WrapAdd(game_Clock, game_FrameDelta);

    game_StateMachine->Update();

    c_InputDevice *input = app_InputDevice;
    float scale = static_cast<float>(screen_Scale);
    game_PointerX = input->MouseX() / scale;
    game_PointerY = input->MouseY() / scale;
    game_PointerHit = input->KeyHit(key_MouseLeft);
    game_PointerDown = input->KeyDown(key_MouseLeft) ? 1 : 0;

    game_UpdateCredits();
    game_Update();
    game_UpdateMenu();
    game_UpdateShop();
    game_UpdateSplash();

    if (game_QuitRequested) {
        game_SaveProgress();
        app_EndApp();
    }
    return 0;
}

int c_MyApp::OnRender() {
    c_Canvas *canvas = game_MainCanvas;
    if (!canvas) return 0;
    canvas->Clear(0, 0, 0, 1);
    canvas->SetViewport(0, 0, screen_ScaledWidth, screen_ScaledHeight);
    canvas->SetColor(1, 1, 1);
    float scale = static_cast<float>(screen_Scale);
    canvas->SetMatrix(scale, 0, 0, scale, 0, 0);

    game_DrawCredits(canvas);

    game_RenderPlay();
    game_RenderMenu(canvas, 0);
    game_RenderShop(canvas);
    game_RenderSplash(canvas);

    canvas->Flush();
    return 0;
}

int c_MyApp::OnClose() {
    game_QuitRequested = 1;
    return 0;
}

// ---------------------------------------------------------------------------
// The world's update and the play screen.

namespace {

// The camera and the sea after an object pass (or without one while the
// menu leaves): the low-frequency layer, the emitters in pool order, the
// high-frequency layer.
void UpdateCameraAndWaves() {
    c_Game::UpdateCamera();
    c_WaveLF::Update();
    const Array<c_WaveEmitter *> &emitters = world_Emitters.get();
    for (int i = 0; i < emitters.Length(); ++i)
        if (c_WaveEmitter *e = emitters[i]) e->Update();
    c_WaveHF::Update();
}

}  // namespace

void game_Update() {
    c_StateMachine *machine = game_StateMachine;
    if (machine->Is(ScreenState_Menu, ScreenPhase_Leaving)) {
        UpdateCameraAndWaves();
    } else if (machine->Is(ScreenState_Menu, ScreenPhase_Entering)) {
        if (world_Running) world_Clock = math_WrapAdd(world_Clock, game_FrameDelta);
        // The controls follow the input under the wipe; nothing applies them.
        c_ControlsDPad::Update();
        c_ControlsItems::Update();
        c_HudPause::Update();
        c_HudYouDied::Update();
        if (world_Running) {
            game_UpdateObjects();
            UpdateCameraAndWaves();
        }
    } else if (machine->Is(ScreenState_Play, ScreenPhase_Active)) {
        world_Delta = world_Running ? game_FrameDelta : 0;
        world_Clock = math_WrapAdd(world_Clock, world_Delta);
        game_UpdateStory();
        game_UpdatePlayControls();
        if (world_Running) {
            game_UpdateObjects();
            if (world_Running) {
                UpdateCameraAndWaves();
                if (c_GuiBalloon *balloon = balloon_Current) balloon->Update();
            }
        }
        c_HudOverheadInfo::ExpireAll();
    }
}

void game_RenderPlay() {
    c_StateMachine *machine = game_StateMachine;
    const int32_t comingOrGoing = ScreenPhase_Entering | ScreenPhase_Leaving;
    if (!machine->Is(ScreenState_Play, ScreenPhase_Any) && !machine->Is(ScreenState_Menu, comingOrGoing) &&
        !machine->Is(ScreenState_Shop, comingOrGoing))
        return;
    c_Canvas *canvas = game_MainCanvas;
    canvas->SetFont(game_FontOrDefault(game_TinyFont));
    if (world_Running) game_RenderWater();
    game_DrawWater(canvas);
    // The objects in depth order under the camera.
    canvas->PushMatrix();
    canvas->Translate(static_cast<float>(-world_CameraX), static_cast<float>(-world_CameraY));
    // In place, on purpose: this order (nulls packed to the end) is the one
    // the next update walks and collides the objects in, so sorting a copy
    // here would change play.
    c_Game::SortObjectsByDepth();
    const Array<c_SwimmingObject *> &objects = world_Objects.get();
    for (int i = 0; i < objects.Length(); ++i)
        if (c_SwimmingObject *o = objects[i]) o->Render(canvas);
    canvas->SetAlpha(1);
    canvas->PopMatrix();

    // Over the world: the floating infos, the HUD, the balloon, the overlays.
    game_DrawOverheadInfos(canvas);
    c_Player *player = world_Player;
    const int32_t alive = player ? player->m_alive : 0;
    const int32_t deathDone = player && player->m_fadeStep >= player->m_stepCount - 1 ? 1 : 0;
    const int32_t balloonOpen = balloon_Current ? 1 : 0;
    if (player) game_DrawHudItems(canvas, alive, deathDone);
    if (alive) game_DrawHudButtons(canvas, world_Running, balloonOpen);
    game_DrawHudTopBar(canvas);
    if (balloonOpen) game_DrawBalloonLayer(canvas);
    if (deathDone) game_DrawYouDied(canvas);
    if (!world_Running) game_DrawPause(canvas);
}

void game_Main() {
    c_MyApp *app = gc_New<c_MyApp>()->m_new();
    game_App = app;
}
