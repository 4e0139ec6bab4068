#include "host/hx_fontfile.h"

#include <cstdint>

#include "runtime/rt_array.h"

namespace {

// The value of a "name=value" field: up to a further "=", trimmed.
String FieldValue(const String &field) {
    const int eq = field.Find(String(u"="));
    if (eq < 0) return String();
    const int next = field.Find(String(u"="), eq + 1);
    return field.Slice(eq + 1, next < 0 ? field.Length() : next).Trim();
}

int FieldInt(const String &field) { return FieldValue(field).ToInt(); }

}  // namespace

String host_FontTextFile(const String &path) {
    return path.ToLower().Find(String(u".txt"), 1) >= 1 ? path : path + String(u".txt");
}

FontFile host_ParseFontText(const String &path, const String &text) {
    FontFile font;
    int slash = -1;
    for (int i = 0; i < path.Length(); ++i)
        if (path[i] == '/') slash = i;
    font.folder = slash >= 0 ? path.Slice(0, slash + 1) : String();

    Array<String> lines = text.Split(String(u"\r\n"));
    if (lines.Length() < 2) lines = text.Split(String(u"\n"));

    int pageIndex = 0;
    const String space(u" ");
    for (int li = 0; li < lines.Length(); ++li) {
        const String line = lines[li].Trim();
        if (line.StartsWith(String(u"info")) || line.Empty() || line.StartsWith(String(u"padding"))) continue;
        const Array<String> fields = line.Split(space);
        if (line.StartsWith(String(u"common"))) {
            for (int i = 0; i < fields.Length(); ++i) {
                const String &f = fields[i];
                if (f.StartsWith(String(u"lineHeight="))) font.lineHeight = FieldInt(f);
                if (f.StartsWith(String(u"pages="))) {
                    // A negative count is taken as none; a new count starts
                    // new slots. Every slot that is filled takes a "file="
                    // field of five units or more, so slots beyond a fifth
                    // of the text would stay empty: a count from outside
                    // makes no more of them than the text can fill.
                    font.pageCount = FieldInt(f);
                    if (font.pageCount < 0) font.pageCount = 0;
                    const int fillable = text.Length() / 5;
                    font.pageFiles.assign(static_cast<size_t>(font.pageCount < fillable ? font.pageCount : fillable),
                                          String());
                }
            }
        } else if (line.StartsWith(String(u"page"))) {
            for (int i = 0; i < fields.Length(); ++i) {
                const String &f = fields[i];
                if (!f.StartsWith(String(u"file="))) continue;
                String name = FieldValue(f);
                if (name.StartsWith(String(u"\""))) name = name.Slice(1, name.Length() - 1).Trim();
                // Pages beyond the declared count have no slot; they still
                // use up their number.
                const int slot = pageIndex;
                if (pageIndex < INT32_MAX) ++pageIndex;
                if (slot < static_cast<int>(font.pageFiles.size())) font.pageFiles[static_cast<size_t>(slot)] = name;
            }
        } else if (line.StartsWith(String(u"chars"))) {
            continue;
        } else if (line.StartsWith(String(u"char"))) {
            FontFileGlyph g;
            for (int i = 0; i < fields.Length(); ++i) {
                const String &f = fields[i];
                if (f.StartsWith(String(u"id="))) g.id = FieldInt(f);
                if (f.StartsWith(String(u"x="))) g.x = FieldInt(f);
                if (f.StartsWith(String(u"y="))) g.y = FieldInt(f);
                if (f.StartsWith(String(u"width="))) g.width = FieldInt(f);
                if (f.StartsWith(String(u"height="))) g.height = FieldInt(f);
                if (f.StartsWith(String(u"xoffset="))) g.xoffset = FieldInt(f);
                if (f.StartsWith(String(u"yoffset="))) g.yoffset = FieldInt(f);
                if (f.StartsWith(String(u"xadvance="))) g.advance = FieldInt(f);
                if (f.StartsWith(String(u"page="))) g.page = FieldInt(f);
            }
            font.glyphs.push_back(g);
        }
    }
    return font;
}
