#include "host/hx_main.h"

#include <GLFW/glfw3.h>

#include <clocale>
#include <mutex>
#include <cstdio>
#include <cstdlib>

#include "host/hx_audio.h"
#include "host/hx_game.h"
#include "runtime/rt_error.h"
#include "runtime/rt_gc.h"
#include "host/platform/hx_platform.h"

int host_Argc = 0;
char **host_Argv = nullptr;

int host_MainSetup(int argc, char **argv) {
    host_Argv = argv;
    host_Argc = argc;
    object_InstallSignalHandlers();
    if (!std::setlocale(LC_CTYPE, "en_US.UTF-8")) std::setlocale(LC_CTYPE, "");
    gc_InitLists();
    gc_SetRoots(program_MarkGlobals);
    program_InitGlobals();
    gc_MarkGlobals();
    game_Main();
    return 0;
}

namespace {

// The signal watcher wakes a loop that waits for events, while GLFW is up.
std::mutex g_glfwLock;
bool g_glfwUp = false;

void WakeMainLoop() {
    std::lock_guard<std::mutex> lock(g_glfwLock);
    if (g_glfwUp) glfwPostEmptyEvent();
}

void EndGlfw() {
    std::lock_guard<std::mutex> lock(g_glfwLock);
    g_glfwUp = false;
    glfwTerminate();
}

}  // namespace

void host_MainBody(int argc, char **argv, HxZentrovaGame *(*makeGame)()) {
    platform_WatchTerminationSignals(WakeMainLoop);
    glfwSetErrorCallback(HxGlfwGame::OnGlfwError);
    if (!glfwInit()) {
        std::puts("glfwInit failed");
        std::fflush(stdout);
        std::exit(-1);
    }
    {
        std::lock_guard<std::mutex> lock(g_glfwLock);
        g_glfwUp = true;
    }
    HxZentrovaGame *game = makeGame ? makeGame() : new HxZentrovaGame();
    game->swapInterval = 1;
    game->focusSeen = true;
    if (GLFWmonitor *monitor = glfwGetPrimaryMonitor()) {
        if (const GLFWvidmode *mode = glfwGetVideoMode(monitor)) {
            game->desktopMode[0] = mode->width;
            game->desktopMode[1] = mode->height;
            game->desktopMode[2] = mode->redBits;
            game->desktopMode[3] = mode->greenBits;
            game->desktopMode[4] = mode->blueBits;
            game->desktopMode[5] = mode->refreshRate;
        }
    }
    try {
        host_MainSetup(argc, argv);
    } catch (ThrowableObject *thrown) {
        EndGlfw();
        game->Die(thrown);
    }
    if (game->Delegate()) game->Run();
    if (HxAudio *audio = audio_Current) audio->Close();
    EndGlfw();
}
