// The game's application object.
#pragma once

#include "host/hx_app.h"

class c_MyApp : public c_App {
public:
    c_MyApp() {}
    c_MyApp *m_new() {
        c_App::m_new();
        return this;
    }
    int OnCreate() override;
    int OnRender() override;
};

extern gc_ref<c_MyApp> game_App;
