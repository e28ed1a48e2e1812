#include "gdi/realized_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>

#include "gdi/font_match.h"

namespace ce::gdi {

namespace {

// The device's default when a font asks for no height.
constexpr LONG kDefaultCharacterHeight = 12;
// Glyph bitmaps grow with the square of the size; nothing on a small screen needs more.
constexpr int kMaxEmHeight = 1024;
// The slant of a face made italic by shearing, about 12 degrees (16.16).
constexpr FT_Fixed kObliqueShear = 0x0366A;

// FreeType's library: faces are opened and closed under its lock; each face then has a lock of
// its own (the realized font's).
struct Library {
    std::mutex mutex;
    FT_Library library = nullptr;
};

Library& TheLibrary() {
    static auto* const library = [] {
        auto* made = new Library;
        if (FT_Init_FreeType(&made->library) != 0) {
            made->library = nullptr;
        }
        return made;
    }();
    return *library;
}

int Scale(long value, int em, int unitsPerEm) {
    return static_cast<int>((static_cast<long long>(value) * em + unitsPerEm / 2) / unitsPerEm);
}

std::u16string FaceName(const LOGFONTW& font) {
    const auto* end = std::find(font.lfFaceName, font.lfFaceName + LF_FACESIZE, u'\0');
    std::u16string name(font.lfFaceName, end);
    // A font without a face name gets the device's own face.
    return name.empty() ? u"Tahoma" : name;
}

std::u16string Folded(std::u16string name) {
    for (auto& unit : name) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return name;
}

FT_Face OpenFace(const FontFile& file) {
    Library& library = TheLibrary();
    std::lock_guard lock(library.mutex);
    FT_Face face = nullptr;
    if (library.library == nullptr ||
        FT_New_Face(library.library, file.path.c_str(), file.index, &face) != 0) {
        return nullptr;
    }
    return face;
}

void CloseFace(FT_Face face) {
    if (face != nullptr) {
        std::lock_guard lock(TheLibrary().mutex);
        FT_Done_Face(face);
    }
}

// The width of the outline of "l" in ems: how heavy the face's stems are.
double StemWidth(const FontFile& file) {
    FT_Face face = OpenFace(file);
    double width = 0;
    if (face != nullptr && face->units_per_EM > 0 &&
        FT_Load_Char(face, 'l', FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0 &&
        face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box{};
        FT_Outline_Get_CBox(&face->glyph->outline, &box);
        width = static_cast<double>(box.xMax - box.xMin) / face->units_per_EM;
    }
    CloseFace(face);
    return width;
}

std::optional<FontFile> ChooseFile(const std::u16string& name, bool bold, bool italic) {
    auto file = MatchFontFile(name, bold, italic);
    if (file && bold) {
        // Some bold files keep the regular outlines and have their bold design only in embedded
        // bitmaps, which are not drawn here: such a family is emboldened like one without bold.
        const auto regular = MatchFontFile(name, false, italic);
        if (regular && regular->path != file->path &&
            StemWidth(*file) <= StemWidth(*regular) * 1.05) {
            file = regular;
        }
    }
    return file;
}

}  // namespace

struct RealizedFont::Face {
    FT_Face face = nullptr;

    ~Face() { CloseFace(face); }
};

std::shared_ptr<RealizedFont> RealizedFont::For(const LOGFONTW& font) {
    const bool bold = font.lfWeight >= 600;
    const bool italic = font.lfItalic != 0;
    const std::u16string name = FaceName(font);
    const LONG height = font.lfHeight == 0 ? -kDefaultCharacterHeight : font.lfHeight;
    const LONG weight = font.lfWeight == 0 ? FW_NORMAL : font.lfWeight;

    // Programs make the same font at every paint: each distinct request is realized once. The
    // cache is never destroyed, so that threads still drawing while the process ends find it.
    struct Cache {
        std::mutex mutex;
        std::map<std::tuple<std::u16string, LONG, LONG, bool>, std::shared_ptr<RealizedFont>> fonts;
    };
    static auto* const cache = new Cache;
    std::lock_guard cacheLock(cache->mutex);
    const auto key = std::make_tuple(Folded(name), height, weight, italic);
    if (const auto found = cache->fonts.find(key); found != cache->fonts.end()) {
        return found->second;
    }
    const auto file = ChooseFile(name, bold, italic);
    if (!file) {
        return nullptr;
    }
    auto face = std::make_unique<Face>();
    face->face = OpenFace(*file);
    if (face->face == nullptr) {
        return nullptr;
    }
    FT_Face ft = face->face;
    // What the face lacks of the asked style is made up: strokes widened, outlines slanted.
    const bool syntheticBold = bold && (ft->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    const bool syntheticItalic = italic && (ft->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    const int unitsPerEm = std::max<int>(ft->units_per_EM, 1);
    // The device measures cells with the face's Windows ascent and descent when it has them.
    long ascent = ft->ascender;
    long descent = -ft->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    const long cell = std::max(ascent + descent, 1L);
    // Negative heights give the character (em) height, positive ones the cell height.
    const std::int64_t asked =
        height < 0 ? -std::int64_t{height} : (std::int64_t{height} * unitsPerEm + cell / 2) / cell;
    const int em = static_cast<int>(std::clamp<std::int64_t>(asked, 1, kMaxEmHeight));
    if (FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(em)) != 0) {
        return nullptr;
    }
    if (syntheticItalic) {
        FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
        FT_Set_Transform(ft, &shear, nullptr);
    }

    FontMetrics metrics;
    metrics.ascent = Scale(ascent, em, unitsPerEm);
    metrics.descent = Scale(descent, em, unitsPerEm);
    metrics.emHeight = em;
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
    if (hhea != nullptr) {
        const long lineSpacing = hhea->Ascender - hhea->Descender + hhea->Line_Gap;
        metrics.externalLeading = std::max(0, Scale(lineSpacing - cell, em, unitsPerEm));
    }
    metrics.maxWidth = Scale(ft->max_advance_width, em, unitsPerEm);
    metrics.weight = static_cast<int>(weight);
    metrics.italic = italic;
    // Emboldening widens strokes by a 24th of the em (as FreeType's own does), at least half a
    // pixel so that small sizes change too.
    const long strength = syntheticBold ? std::max(64L * em / 24, 32L) : 0;

    std::shared_ptr<RealizedFont> realized(
        new RealizedFont(std::move(face), file->path, metrics, strength));
    realized->m_metrics.averageWidth = os2 != nullptr && os2->xAvgCharWidth > 0 && !syntheticBold
                                           ? Scale(os2->xAvgCharWidth, em, unitsPerEm)
                                           : realized->Advance(U'x');
    cache->fonts.emplace(key, realized);
    return realized;
}

RealizedFont::RealizedFont(std::unique_ptr<Face> face, std::string file, const FontMetrics& metrics,
                           long emboldenStrength)
    : m_face(std::move(face)),
      m_file(std::move(file)),
      m_metrics(metrics),
      m_emboldenStrength(emboldenStrength) {}

RealizedFont::~RealizedFont() = default;

const Glyph& RealizedFont::GlyphOf(char32_t codePoint) {
    std::lock_guard lock(m_mutex);
    if (const auto found = m_glyphs.find(codePoint); found != m_glyphs.end()) {
        return found->second;
    }
    return m_glyphs.emplace(codePoint, Render(codePoint)).first->second;
}

Glyph RealizedFont::Render(char32_t codePoint) {
    Glyph glyph;
    FT_Face face = m_face->face;
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    // Outlines only: some faces carry embedded bitmaps, which would draw without grey levels.
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP) != 0) {
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    long extra = 0;
    if (m_emboldenStrength > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_Embolden(&slot->outline, m_emboldenStrength);
        extra = (m_emboldenStrength + 63) / 64;
    }
    glyph.advance = static_cast<int>((slot->advance.x + 32) / 64 + extra);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 ||
        slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return glyph;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<std::size_t>(glyph.width) *
                          static_cast<std::size_t>(glyph.height));
    for (int row = 0; row < glyph.height; ++row) {
        const unsigned char* in = bitmap.pitch >= 0
                                      ? bitmap.buffer + row * bitmap.pitch
                                      : bitmap.buffer + (glyph.height - 1 - row) * -bitmap.pitch;
        std::copy_n(in, glyph.width,
                    glyph.coverage.begin() + static_cast<std::ptrdiff_t>(row) * glyph.width);
    }
    return glyph;
}

}  // namespace ce::gdi
