// Resources compiled into a program: dialog templates, bitmaps, icons and strings, named by
// number. A program defines one ResourceTable and registers it before its entry point runs:
//
//     static const ce::ResourceRegistration g_resources(kClientResources);
//
// LoadBitmapW, LoadIconW, LoadStringW, DialogBoxParamW and friends look names up there.
#pragma once

#include <cstddef>
#include <span>

#include "windef.h"

namespace ce {

// One control of a dialog template. Positions and sizes are in dialog units.
struct DialogItem {
    LPCWSTR className;  // "EDIT", "BUTTON", "STATIC" ...
    LPCWSTR text;
    WORD id;
    DWORD style;
    DWORD exStyle;
    short x;
    short y;
    short cx;
    short cy;
};

// A dialog template. With DS_SETFONT the dialog uses the named font at the point size, and its
// dialog units derive from that font's average character width and height.
struct DialogTemplate {
    DWORD style;
    DWORD exStyle;
    short x;
    short y;
    short cx;
    short cy;
    LPCWSTR title;
    LPCWSTR fontFace;
    WORD fontPointSize;
    std::span<const DialogItem> items;
};

struct DialogResource {
    WORD id;
    const DialogTemplate* dialog;
};

// The bytes of a .bmp or .ico file as they are on disk.
struct BinaryResource {
    WORD id;
    std::span<const unsigned char> bytes;
};

struct StringResource {
    WORD id;
    LPCWSTR text;
};

struct ResourceTable {
    std::span<const DialogResource> dialogs;
    std::span<const BinaryResource> bitmaps;
    std::span<const BinaryResource> icons;
    std::span<const StringResource> strings;
};

// Makes the table the program's resources for as long as the object lives.
class ResourceRegistration {
public:
    explicit ResourceRegistration(const ResourceTable& table);
    ~ResourceRegistration();
    ResourceRegistration(const ResourceRegistration&) = delete;
    ResourceRegistration& operator=(const ResourceRegistration&) = delete;

private:
    const ResourceTable* m_previous;
};

// The registered table (an empty one before registration).
const ResourceTable& ProgramResources();

}  // namespace ce
