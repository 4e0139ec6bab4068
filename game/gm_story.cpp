// The story's states: each shows one balloon above the iceberg (or waits
// for the world) and moves on when the balloon has been confirmed.
#include "game/gm_story.h"

#include "game/gm_app.h"
#include "game/gm_balloon.h"
#include "game/gm_classes.h"
#include "game/gm_globals.h"
#include "game/gm_progress.h"
#include "game/gm_sea.h"
#include "runtime/rt_math.h"

#include <string>

namespace {

// The camera request of the story: the iceberg 40 pixels below the view's
// centre. True once the scroll there is done.
bool CameraCentred() {
    c_Player *player = world_Player;
    return c_Game::CentreCameraOnPlayer(player ? player->ScreenX() : 0);
}

// The balloon of a state: true in the update that closes it.
bool Say(const char16_t *text) { return game_ShowBalloon(String(text, std::char_traits<char16_t>::length(text)), 0, 0); }

// A state that waits for a condition before its balloon opens: once the
// balloon is open only the confirmation counts.
bool SayWhen(bool (*ready)(), const char16_t *text) {
    if (!balloon_Current && !ready()) return false;
    return Say(text);
}

// The tutorial or introduction is over: the iceberg steers, ships come.
void StartPlaying() {
    world_SteeringOn = 1;
    world_SpawningOn = 1;
    world_CameraCentred = 0;
    world_StoryState = StoryState_Playing;
}

bool LinerSunk() {
    const Array<c_SwimmingObject *> &slots = world_Objects.get();
    for (int i = 0; i < slots.Length(); ++i)
        if (auto *liner = dynamic_cast<c_ShipVelmora *>(slots[i].get()))
            if (liner->m_hitPoints == 0) return true;
    return false;
}

bool PlayerStillAndCentred() {
    c_Player *player = world_Player;
    return player && player->Speed() < 0.01f && CameraCentred();
}

}  // namespace

void game_UpdateStory() {
    c_Player *player = world_Player;
    switch (world_StoryState) {
        case StoryState_Start:
            if (world_CentringState == 0) {
                world_CentringState = math_WrapAdd(world_Clock, 1000);
            } else if (game_ClockReached(world_Clock, world_CentringState)) {
                world_CentringState = 0;
                world_StoryState = world_Mode == GameMode_Campaign ? StoryState_Hello : StoryState_OpenWelcome;
            }
            break;

        // The campaign's opening and tutorial.
        case StoryState_Hello:
            if (SayWhen(CameraCentred,
                        u"Hi.{1000}\\I am Iceberg.{2000}\\And when I grow up, I want to\\destroy a cruise liner."))
                world_StoryState = StoryState_TheLiner;
            break;
        case StoryState_TheLiner:
            if (Say(u"Not just any cruise liner.{500}\\A certain one:{1000}\\{0}The Velmora."))
                world_StoryState = StoryState_Steering;
            break;
        case StoryState_Steering:
            if (Say(u"You can steer me\\with W, A, S, D.")) world_StoryState = StoryState_Items;
            break;
        case StoryState_Items:
            if (Say(u"The items I carry\\(healings and invulnerability)\\can be used with 1, 2, 3."))
                world_StoryState = StoryState_Pause;
            break;
        case StoryState_Pause:
            if (Say(u"You can pause the game\\with escape.{500}\\There you'll also\\find the shop."))
                world_StoryState = StoryState_Confirm;
            break;
        case StoryState_Confirm:
            if (Say(u"Texts like these\\can be confirmed\\with space.")) world_StoryState = StoryState_Shared;
            break;
        case StoryState_Shared:
            if (Say(u"Oh, and:{1000}\\Items and coins are shared\\between the campaign and open world."))
                StartPlaying();
            break;

        // The open world's introduction.
        case StoryState_OpenWelcome:
            if (SayWhen(CameraCentred, u"Welcome to\\open world mode.")) world_StoryState = StoryState_OpenCollect;
            break;
        case StoryState_OpenCollect:
            if (Say(u"Here you can collect coins\\and items for the campaign.\\The further south you go,\\the "
                    u"stronger the enemies get."))
                world_StoryState = StoryState_OpenNoLiner;
            break;
        case StoryState_OpenNoLiner:
            if (Say(u"You can't sink the Velmora, tho.")) StartPlaying();
            break;

        // The campaign's end.
        case StoryState_Playing:
            if (world_Mode == GameMode_Campaign && player && player->m_alive && player->m_hitPoints >= 1 &&
                LinerSunk()) {
                world_SpawningOn = 0;
                player->m_immune = 1;
                player->m_face = PlayerFace_Triumph;
                world_StoryState = StoryState_LinerSinking;
            }
            break;
        case StoryState_LinerSinking:
            if (c_Game::CountObjectsOfKind(ObjectKind_CruiseLiner) == 0) {
                world_SteeringOn = 0;
                world_StoryState = StoryState_LinerGone;
            }
            break;
        case StoryState_LinerGone:
            if (SayWhen(PlayerStillAndCentred, u"I did it!{1000}\\I destroyed the Velmora!"))
                world_StoryState = StoryState_Won;
            break;
        case StoryState_Won:
            if (Say(u"I finally won.")) {
                progress_LevelCampaign = 1;
                game_SaveProgress();
                game_StateMachine->SetState(ScreenState_Credits);
            }
            break;
        default:
            break;
    }
}
