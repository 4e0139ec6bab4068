// Waiting in end-to-end tests: for a condition (a log line, a pixel, a
// file, an exit), polled every few milliseconds until a generous deadline,
// never for a fixed time. A busy machine only makes the wait longer.
//
//   ASSERT_TRUE(test_WaitUntil("the ready file", [&] { return Exists(path); }));
//
// The result converts to bool; when the deadline passes it carries a
// message naming what was awaited, so the failing assertion says so.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

// Long enough for a loaded machine or a sanitizer build; a passing test
// never waits it out.
inline constexpr std::chrono::milliseconds test_WaitDeadline{30000};
inline constexpr std::chrono::milliseconds test_WaitPoll{5};

// Calls `holds` until it returns true (then success) or `deadline` has
// passed (then failure naming `what`). It is called at least once, and
// once more after the deadline, so a slow last poll still counts.
template <class Predicate>
::testing::AssertionResult test_WaitUntil(const std::string &what, Predicate &&holds,
                                          std::chrono::milliseconds deadline = test_WaitDeadline,
                                          std::chrono::milliseconds poll = test_WaitPoll) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now(), end = start + deadline;
    for (;;) {
        const bool last = Clock::now() >= end;
        if (holds()) return ::testing::AssertionSuccess();
        if (last) break;
        std::this_thread::sleep_for(poll);
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return ::testing::AssertionFailure() << "timed out after " << waited.count() << " ms waiting for " << what;
}
