#include "runtime/rt_assert.h"

#include <cstdio>
#include <cstdlib>

#if defined(VELMORA_ASSERTS)
void rt_AssertFailed(const char *file, int line, const char *condition) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}
#endif
