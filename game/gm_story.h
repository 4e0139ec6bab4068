// The story: the campaign's opening and tutorial, the open world's
// introduction and, once the cruise liner has sunk, the campaign's end,
// which leads to the credits. A small state machine over world_StoryState
// whose balloons the confirm button moves on.
#pragma once

#include <cstdint>

// World_StoryState values.
enum : int32_t {
    StoryState_Playing = 0,
    StoryState_Start = 1,
    StoryState_Hello = 2,
    StoryState_TheLiner = 3,
    StoryState_Steering = 11,
    StoryState_Items = 12,
    StoryState_Pause = 13,
    StoryState_Confirm = 14,
    StoryState_Shared = 15,
    StoryState_OpenWelcome = 20,
    StoryState_OpenCollect = 21,
    StoryState_OpenNoLiner = 22,
    StoryState_LinerSinking = 100,
    StoryState_LinerGone = 101,
    StoryState_Won = 102,
};

// One step of the story; every active play update, also while paused.
void game_UpdateStory();
