// Dialog templates in memory (DLGTEMPLATE and DLGTEMPLATEEX) with another font.
#pragma once

#include <windows.h>
#include <stddef.h>

#include <vector>

// The font every dialog of the applet is shown in.
const wchar_t* const DialogFontFace = L"Tahoma";
const WORD DialogFontPoints = 8;

// Size in bytes of the template at source, its items included; 0 when it runs past limit.
size_t DialogTemplateSize(const BYTE* source, size_t limit);
// A copy of the template with its font set to face and points (DS_SETFONT added if missing).
bool SetTemplateFont(const BYTE* source, size_t size, const wchar_t* face, WORD points,
                     std::vector<BYTE>* out);
// The module's dialog resource id in the user's language, with the dialog font.
bool LoadTemplateWithFont(HINSTANCE module, UINT id, std::vector<BYTE>* out);
