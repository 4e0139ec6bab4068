// Shared test fixture: a clean collector for each test.
#pragma once

#include <gtest/gtest.h>

#include "runtime/rt_object.h"

// Destroys everything the previous test left, empties the lists, resets the
// counters and the roots hook.
void rt_ResetCollector();

class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { rt_ResetCollector(); }
    void TearDown() override { rt_ResetCollector(); }
};
