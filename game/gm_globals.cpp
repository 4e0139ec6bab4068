// The game's globals: definitions, first values and roots, from one list.
#include "game/gm_globals.h"

#include "game/gm_app.h"
#include "game/gm_classes.h"
#include "host/hx_app.h"
#include "host/hx_gfx1.h"
#include "host/hx_gl.h"
#include "host/hx_keys.h"
#include "host/hx_main.h"
#include "renderer/rd_canvas.h"
#include "renderer/rd_font.h"
#include "renderer/rd_image.h"
#include "renderer/rd_material.h"
#include "renderer/rd_shader.h"
#include "renderer/rd_startup.h"
#include "runtime/rt_json.h"
#include "runtime/rt_math.h"

#define GM_INT(name, first) int32_t name = first;
#define GM_FLOAT(name, first) float name = first;
#define GM_STRING(name) String name;
#define GM_REF(Type, name) gc_ref<Type> name;
#define GM_ARRAY(Elem, name, length) ArrayField<Elem> name;
#define GM_TABLE(Elem, name, ...) ArrayField<Elem> name;
#include "game/gm_globals.def"
#undef GM_INT
#undef GM_FLOAT
#undef GM_STRING
#undef GM_REF
#undef GM_ARRAY
#undef GM_TABLE

namespace {

void InitGameGlobals() {
#define GM_INT(name, first) name = first;
#define GM_FLOAT(name, first) name = first;
#define GM_STRING(name) name = String();
#define GM_REF(Type, name) name = nullptr;
#define GM_ARRAY(Elem, name, length) name = Array<Elem>(length);
#define GM_TABLE(Elem, name, ...) name = array_Of<Elem>({__VA_ARGS__});
#include "game/gm_globals.def"
#undef GM_INT
#undef GM_FLOAT
#undef GM_STRING
#undef GM_REF
#undef GM_ARRAY
#undef GM_TABLE
}

void MarkGameGlobals() {
#define GM_INT(name, first)
#define GM_FLOAT(name, first)
#define GM_STRING(name)
#define GM_REF(Type, name) gc_Enqueue(name);
#define GM_ARRAY(Elem, name, length) gc_Enqueue(name);
#define GM_TABLE(Elem, name, ...) gc_Enqueue(name);
#include "game/gm_globals.def"
#undef GM_INT
#undef GM_FLOAT
#undef GM_STRING
#undef GM_REF
#undef GM_ARRAY
#undef GM_TABLE
}

}  // namespace

void program_InitGlobals() {
    app_InitGlobals();
    gfx1_InitGlobals();
    random_Seed = 1234;
    gl_InitGlobals();
    gfx2_InitGlobals();
    json_InitGlobals();
    InitGameGlobals();
}

void program_MarkGlobals() {
    app_MarkGlobals();
    gfx1_MarkGlobals();
    gl_MarkGlobals();
    gfx2_MarkGlobals();
    json_MarkGlobals();
    MarkGameGlobals();
}
