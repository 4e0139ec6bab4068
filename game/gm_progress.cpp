#include "game/gm_progress.h"

#include <string>

#include "game/gm_globals.h"
#include "game/gm_sea.h"
#include "game/gm_seamath.h"
#include "host/hx_app.h"
#include "host/hx_files.h"
#include "runtime/rt_json.h"
#include "runtime/rt_math.h"

namespace {

// The record's members in the order they are read and set.
struct Member {
    const char *key;
    int32_t *global;
};
constexpr int kMembers = 7;
Member Members(int i) {
    static const Member members[kMembers] = {
        {"lvlcampaign", &progress_LevelCampaign},
        {"lvlopenworld", &progress_LevelOpenWorld},
        {"coins", &progress_Coins},
        {"cnthealing", &progress_Healings},
        {"cntbighealing", &progress_BigHealings},
        {"cntinvulnerability", &progress_Invulnerabilities},
        {"cntrevive", &progress_Revives},
    };
    return members[i];
}

int32_t ClampLevel(int32_t level) {
    if (level <= 0) return 1;
    if (level > sea_TopLevel) return sea_TopLevel;
    return level;
}

// The text up to and including the closing brace of the object it starts
// with. The reader takes one token past the value it reads, so text after
// the record that is not a whole token would otherwise make the record
// unreadable. The tokens are the reader's own; a text that does not start
// with an object, or whose object does not close, is given back whole.
String RecordText(const String &text) {
    try {
        c_JsonParser *scan = gc_New<c_JsonParser>()->m_new(text);
        if (scan->TokenType() != json_TokenChar || scan->Token() != String(u"{")) return text;
        int depth = 0;
        for (;;) {
            if (scan->TokenType() == json_TokenEnd) return text;
            if (scan->TokenType() == json_TokenChar) {
                const String token = scan->Token();
                if (token == String(u"{") || token == String(u"[")) ++depth;
                if (token == String(u"}") || token == String(u"]")) --depth;
                if (depth == 0) return text.Slice(0, scan->m_position);
            }
            scan->Bump();
        }
    } catch (c_JsonError *) {
        return text;
    }
}

// Parses the text into `values` (which hold the first values); false when
// any part could not be read. A member read before a failure is kept.
bool ParseRecord(const String &text, int32_t values[kMembers]) {
    c_JsonValue *value = nullptr;
    try {
        value = gc_New<c_JsonParser>()->m_new(RecordText(text))->ParseValue();
    } catch (c_JsonError *) {
        return false;
    }
    c_JsonObject *record = dynamic_cast<c_JsonObject *>(value);
    if (!record) return false;
    bool whole = true;
    for (int i = 0; i < kMembers; ++i) {
        try {
            values[i] = record->GetInt(String(Members(i).key), 0);
        } catch (c_JsonError *) {
            whole = false;
        }
    }
    return whole;
}

}  // namespace

int32_t game_SaturatingAdd(int32_t value, int64_t amount) {
    int64_t sum = static_cast<int64_t>(value) + amount;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

void game_SaveProgress() {
    c_JsonObject *record = gc_New<c_JsonObject>()->m_new();
    for (int i = 0; i < kMembers; ++i) record->SetInt(String(Members(i).key), *Members(i).global);
    int result = app_Game->SaveState(record->ToJson());
    if (result != 0)
        lang_Print(String(u"Velmora: could not save the progress to .zentrovastate (error ") +
                   String(result) + String(u")"));
    progress_Exists = 1;
}

void game_LoadProgress() {
    String text = app_LoadState();
    if (text.Empty()) return;
    progress_Exists = 1;
    int32_t values[kMembers];
    for (int i = 0; i < kMembers; ++i) values[i] = *Members(i).global;
    bool whole = ParseRecord(text, values);
    for (int i = 0; i < kMembers; ++i) *Members(i).global = values[i];
    progress_LevelCampaign = ClampLevel(progress_LevelCampaign);
    progress_LevelOpenWorld = ClampLevel(progress_LevelOpenWorld);
    if (whole) return;
    bool kept = host_CopyFile(host_StateFilePath(), host_StateFilePath() + ".bad");
    String line(u"Velmora: the saved progress in .zentrovastate could not be read");
    if (kept) line = line + String(u"; it is kept as .zentrovastate.bad");
    lang_Print(line);
}

int32_t &game_SavedLevel() {
    return world_Mode == GameMode_OpenWorld ? progress_LevelOpenWorld : progress_LevelCampaign;
}
