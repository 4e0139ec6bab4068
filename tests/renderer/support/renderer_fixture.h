// The renderer on the recording fake GL, for unit tests.
#pragma once

#include "tests/renderer/support/fake_gl.h"
#include "tests/runtime/rt_fixture.h"

// A program template that builds without files: one line per chunk.
inline constexpr char kTinyTemplate[] = "common\n//@vertex\nvertex\n//@fragment\nfragment\n${SHADER}\n";

// Sets every renderer global back to its first value and lets go of every
// collected object they hold (the collector's reset then destroys them).
void test_ClearRendererGlobals();

// A clean collector, the fake GL installed, the renderer's globals at their
// first values, context 1, and the start-up marked done: it would load
// files and build the built-in shaders, which these tests do not want.
class FakeRendererTest : public RuntimeTest {
protected:
    void SetUp() override;
    void TearDown() override;
};
