// The bitmap-font text format, read by both graphics layers: lines of
// "info", "common" (lineHeight=, pages=), "page" (file=), "chars" and
// "char" (id=, x=, y=, width=, height=, xoffset=, yoffset=, xadvance=,
// page=) fields. The layers make their own pages and glyphs from it.
#pragma once

#include <vector>

#include "runtime/rt_string.h"

struct FontFileGlyph {
    int id = 0, x = 0, y = 0, width = 0, height = 0, xoffset = 0, yoffset = 0, advance = 0, page = 0;
};

struct FontFile {
    // The folder of the font file ("" or ending in "/"), for page names.
    String folder;
    // The last "pages=" count, never negative; the page files by slot ("" for
    // a slot no "file=" filled). Page names beyond the count have no slot.
    // There are no more slots than the text could fill (a fifth of its
    // units), however large the count.
    int pageCount = 0;
    std::vector<String> pageFiles;
    int lineHeight = 0;
    // Every "char" line in order (a layer keeps the first of each id).
    std::vector<FontFileGlyph> glyphs;
};

// The file a font path names: the path itself when it has ".txt" after
// its first unit (any case), else the path + ".txt".
String host_FontTextFile(const String &path);

// Parses a font text; `path` gives the folder of the page files.
FontFile host_ParseFontText(const String &path, const String &text);
