// A GL that does nothing, for the benchmarks: every GL 1.1 function returns
// its type's zero and every later entry point returns nothing, so what is
// measured is the program's own work.
#pragma once

#include "host/hx_gl.h"
#include "host/hx_gl11.h"

namespace bench {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
inline void NoOpEntry() {}
template <class R>
R Zero() {
    return R();
}
inline void InstallNoOpGl() {
#define GL11_NOOP(name, ret, params) gl11.name = [] params -> ret { return Zero<ret>(); };
    GL11_FUNCTION_LIST(GL11_NOOP)
#undef GL11_NOOP
    void **slots = reinterpret_cast<void **>(&gl_EntryPoints);
    for (int i = 0; i < gl_EntryPointCount; ++i) slots[i] = reinterpret_cast<void *>(&NoOpEntry);
}
#pragma GCC diagnostic pop

}  // namespace bench
