#include "host/hx_main.h"

#include <GLFW/glfw3.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "host/hx_game.h"
#include "runtime/rt_error.h"
#include "runtime/rt_gc.h"

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

void host_MainBody(int argc, char **argv) {
    glfwSetErrorCallback(HxGlfwGame::OnGlfwError);
    if (!glfwInit()) {
        std::puts("glfwInit failed");
        std::fflush(stdout);
        std::exit(-1);
    }
    HxZentrovaGame *game = new HxZentrovaGame();
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
        glfwTerminate();
        game->Die(thrown);
    }
    if (game->Delegate()) game->Run();
    glfwTerminate();
}
