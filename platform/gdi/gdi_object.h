// The objects behind GDI handles: bitmaps, brushes, pens, fonts, device contexts and icons.
#pragma once

#include "windef.h"

namespace ce::gdi {

enum class ObjectKind { kBitmap, kBrush, kPen, kFont, kDeviceContext, kIcon };

class GdiObject {
public:
    explicit GdiObject(ObjectKind kind) : m_kind(kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    ObjectKind Kind() const { return m_kind; }
    // Set once when the table stores the object.
    HGDIOBJ Handle() const { return m_handle; }

private:
    friend class ObjectTable;

    const ObjectKind m_kind;
    HGDIOBJ m_handle = nullptr;
    // Stock objects and the system colour brushes outlive every DeleteObject.
    bool m_permanent = false;
    // How many device context slots (current and saved states) refer to the object; guarded by
    // the table's lock. The device refuses to delete an object while it is selected.
    int m_selections = 0;
};

}  // namespace ce::gdi
