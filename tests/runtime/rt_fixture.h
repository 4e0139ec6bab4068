// Shared test fixture: a clean collector for each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/rt_object.h"

// Destroys everything the previous test left, empties the lists, resets the
// counters and the roots hook.
void rt_ResetCollector();

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { rt_ResetCollector(); }
    void TearDown() override { rt_ResetCollector(); }
};

// Expects f() to end at the run-time error's debug prompt, which reads an
// empty standard input and ends the process with 255, after console output
// that the regular expression `output` finds.
template <class F>
void rt_ExpectErrorExit(F f, const std::string &output) {
    EXPECT_EXIT(
        {
            if (!std::freopen("/dev/null", "r", stdin)) _exit(1);
            dup2(2, 1);  // the banner goes to stdout
            f();
            _exit(0);
        },
        ::testing::ExitedWithCode(255), output);
}

// Expects f() to end in the run-time error `message`: the banner
// "Zentrova Runtime Error : " + message, then the debug prompt, which reads
// an empty standard input and ends the process with 255.
template <class F>
void rt_ExpectRuntimeError(F f, const std::string &message) {
    rt_ExpectErrorExit(f, "Zentrova Runtime Error : " + message);
}
