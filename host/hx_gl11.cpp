#include "host/hx_gl11.h"

namespace {
gl11_Table System() {
    gl11_Table t;
#define GL11_ASSIGN(name, ret, params) t.name = ::name;
    GL11_FUNCTION_LIST(GL11_ASSIGN)
#undef GL11_ASSIGN
    return t;
}
}  // namespace

gl11_Table gl11 = System();

void gl11_Reset() { gl11 = System(); }
