#include "tests/support/gl_window.h"

#include <GLFW/glfw3.h>

#include "host/hx_game.h"
#include "host/hx_gl.h"

GLFWwindow *test_MakeGlWindow(int width, int height, const char *title) {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow *window = glfwCreateWindow(width, height, title, nullptr, nullptr);
    if (!window) return nullptr;
    glfwMakeContextCurrent(window);
    gl_LoadEntryPoints();
    host_GLContextSeq += 1;
    return window;
}

GLFWwindow *test_OpenGlWindow(int width, int height, const char *title) {
    if (!glfwInit()) return nullptr;
    return test_MakeGlWindow(width, height, title);
}

void test_CloseGlWindow(GLFWwindow *&window) {
    if (window) glfwDestroyWindow(window);
    window = nullptr;
    glfwTerminate();
}

void test_DestroyGlWindow(GLFWwindow *window) {
    if (window) glfwDestroyWindow(window);
}

const char *test_SuiteName() {
    const ::testing::TestSuite *suite = ::testing::UnitTest::GetInstance()->current_test_suite();
    return suite ? suite->name() : "velmora test";
}
