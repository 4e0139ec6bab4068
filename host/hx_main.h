// Program start: main's body and the set-up around the program's own
// globals and main routine.
//
// The program provides three functions:
//   program_InitGlobals()  gives every program global its first value
//                          (app_InitGlobals among them);
//   program_MarkGlobals()  the collector's roots: gc_Enqueue of every global
//                          holding an object or an array;
//   game_Main()            makes the app (its c_App initialiser registers it
//                          and hands the delegate to the host).
#pragma once

void program_InitGlobals();
void program_MarkGlobals();
void game_Main();

extern int host_Argc;
extern char **host_Argv;

class HxZentrovaGame;

// GLFW start, the host object, the set-up, the main loop, GLFW's end.
// makeGame, when given, makes the host object instead of a plain
// HxZentrovaGame (a program that watches or drives the loop from inside
// derives its own).
void host_MainBody(int argc, char **argv, HxZentrovaGame *(*makeGame)() = nullptr);
// Signals, locale, the collector's lists and roots, the program's globals
// and its main routine. Returns 0.
int host_MainSetup(int argc, char **argv);
