// The GL context of a GL test program: a hidden GLFW window whose context
// is current, with the GL entry points fetched and the context counter
// raised, as the host's window creation does.
#pragma once

#include <gtest/gtest.h>

#include "tests/runtime/rt_fixture.h"

struct GLFWwindow;

// glfwInit, then test_MakeGlWindow; null without a display.
GLFWwindow *test_OpenGlWindow(int width, int height, const char *title);
// A further window (GLFW already initialised): a new context.
GLFWwindow *test_MakeGlWindow(int width, int height, const char *title);
// Destroys the window (when there is one) and ends GLFW.
void test_CloseGlWindow(GLFWwindow *&window);
// Destroys the window only (GLFW stays up); none is fine.
void test_DestroyGlWindow(GLFWwindow *window);
// The running test suite's name, for a window title.
const char *test_SuiteName();

// A suite on one hidden Width x Height window, opened before its first test
// and closed after its last, on a clean collector (RuntimeTest). A test
// fails at once without the window. A fixture's own SetUp starts with
//   ASSERT_NO_FATAL_FAILURE(GlWindowTest::SetUp());
template <int Width = 64, int Height = 64>
class GlWindowTest : public RuntimeTest {
protected:
    static constexpr int kWindowW = Width;
    static constexpr int kWindowH = Height;
    static inline GLFWwindow *window = nullptr;

    static void SetUpTestSuite() { window = test_OpenGlWindow(Width, Height, test_SuiteName()); }
    static void TearDownTestSuite() { test_CloseGlWindow(window); }
    // A new window in place of the suite's (its context is a new one), as
    // the host's window replacement leaves it.
    static void ReplaceWindow() {
        test_DestroyGlWindow(window);
        window = test_MakeGlWindow(Width, Height, test_SuiteName());
    }
    void SetUp() override {
        RuntimeTest::SetUp();
        ASSERT_NE(window, nullptr) << "no GL window (is DISPLAY set?)";
    }
};

