#include "dialog_template.h"

#include <string.h>
#include <wchar.h>

namespace
{

// Walks a template without reading past its end.
struct Reader {
    const BYTE* base;
    size_t size;
    size_t pos;
    bool ok;

    WORD Word()
    {
        if (pos + 2 > size) {
            ok = false;
            return 0;
        }
        WORD value;
        memcpy(&value, base + pos, 2);
        pos += 2;
        return value;
    }
    void Skip(size_t bytes)
    {
        if (pos + bytes > size)
            ok = false;
        else
            pos += bytes;
    }
    DWORD Dword()
    {
        WORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    // A string, or 0xFFFF and an ordinal.
    void StringOrOrdinal()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            Word();
        else if (first != 0)
            String();
    }
    void String()
    {
        while (ok && Word() != 0) {
        }
    }
    void AlignDword()
    {
        Skip((4 - pos % 4) % 4);
    }
};

struct Layout {
    bool extended;
    size_t styleOffset;
    size_t fontOffset; // where the font block begins (or would begin)
    size_t fontEnd;
    size_t itemsOffset; // DWORD aligned
    size_t end;
    DWORD style;
};

bool Parse(const BYTE* source, size_t size, Layout* layout)
{
    Reader r = {source, size, 0, true};
    WORD version = r.Word();
    layout->extended = r.Word() == 0xFFFF && version == 1;
    r.pos = 0;
    WORD count;
    if (layout->extended) {
        r.Skip(8); // version, signature, help id
        r.Skip(4); // extended style
        layout->styleOffset = r.pos;
        layout->style = r.Dword();
    } else {
        layout->styleOffset = 0;
        layout->style = r.Dword();
        r.Skip(4);
    }
    count = r.Word();
    r.Skip(8);           // position and size
    r.StringOrOrdinal(); // menu
    r.StringOrOrdinal(); // class
    r.String();          // title
    layout->fontOffset = r.pos;
    if (layout->style & DS_SETFONT) {
        r.Skip(layout->extended ? 6 : 2);
        r.String();
    }
    layout->fontEnd = r.pos;
    r.AlignDword();
    layout->itemsOffset = r.pos;
    for (WORD i = 0; i < count && r.ok; ++i) {
        r.AlignDword();
        r.Skip(layout->extended ? 24 : 18);
        r.StringOrOrdinal(); // class
        r.StringOrOrdinal(); // text
        r.Skip(r.Word());    // creation data after its size word
    }
    layout->end = r.pos;
    return r.ok;
}

void Append(std::vector<BYTE>* out, const void* data, size_t bytes)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    out->insert(out->end(), p, p + bytes);
}

} // namespace

size_t DialogTemplateSize(const BYTE* source, size_t limit)
{
    Layout layout;
    return Parse(source, limit, &layout) ? layout.end : 0;
}

bool SetTemplateFont(const BYTE* source, size_t size, const wchar_t* face, WORD points,
                     std::vector<BYTE>* out)
{
    Layout layout;
    if (!Parse(source, size, &layout))
        return false;
    out->clear();
    Append(out, source, layout.fontOffset);
    DWORD style = layout.style | DS_SETFONT;
    memcpy(out->data() + layout.styleOffset, &style, sizeof(style));
    Append(out, &points, sizeof(points));
    if (layout.extended) {
        // Weight, italic and character set stay as they were.
        static const BYTE normal[4] = {FW_NORMAL & 0xFF, FW_NORMAL >> 8, 0, DEFAULT_CHARSET};
        bool hadFont = (layout.style & DS_SETFONT) != 0;
        Append(out, hadFont ? source + layout.fontOffset + 2 : normal, 4);
    }
    Append(out, face, (wcslen(face) + 1) * sizeof(wchar_t));
    out->resize((out->size() + 3) & ~static_cast<size_t>(3), 0);
    Append(out, source + layout.itemsOffset, layout.end - layout.itemsOffset);
    return true;
}

bool LoadTemplateWithFont(HINSTANCE module, UINT id, std::vector<BYTE>* out)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : NULL;
    if (!data) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    if (!SetTemplateFont(data, SizeofResource(module, found), DialogFontFace, DialogFontPoints,
                         out)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}
