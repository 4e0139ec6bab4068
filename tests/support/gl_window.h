// The GL context of a GL test program: a hidden GLFW window whose context
// is current, with the GL entry points fetched and the context counter
// raised, as the host's window creation does.
#pragma once

struct GLFWwindow;

// glfwInit, then test_MakeGlWindow; null without a display.
GLFWwindow *test_OpenGlWindow(int width, int height, const char *title);
// A further window (GLFW already initialised): a new context.
GLFWwindow *test_MakeGlWindow(int width, int height, const char *title);
// Destroys the window (when there is one) and ends GLFW.
void test_CloseGlWindow(GLFWwindow *&window);
