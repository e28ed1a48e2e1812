// A face opened with FreeType at one pixel size and style, with its metrics in the device's terms
// and a cache of its rendered glyphs. Shared by every logical font that asks for the same face,
// size and style; usable from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "wingdi.h"

namespace ce::gdi {

// A glyph as grey coverage (0 = none, 255 = full), anti-aliased from the outline.
struct Glyph {
    int left = 0;  // from the pen position to the first column
    int top = 0;   // from the baseline up to the first row
    int width = 0;
    int height = 0;
    int advance = 0;
    std::vector<std::uint8_t> coverage;
};

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int emHeight = 0;  // the character height: ascent + descent - internal leading
    int externalLeading = 0;
    int averageWidth = 0;
    int maxWidth = 0;
    int weight = FW_NORMAL;
    bool italic = false;

    int Height() const { return ascent + descent; }
};

class RealizedFont {
public:
    // The realized font for a logical font, or null when no face can be loaded at all.
    static std::shared_ptr<RealizedFont> For(const LOGFONTW& font);

    ~RealizedFont();
    RealizedFont(const RealizedFont&) = delete;
    RealizedFont& operator=(const RealizedFont&) = delete;

    const FontMetrics& Metrics() const { return m_metrics; }
    const std::string& File() const { return m_file; }
    // The glyph of a code point (the face's missing-glyph shape when it has none). It stays valid
    // while the font lives.
    const Glyph& GlyphOf(char32_t codePoint);
    int Advance(char32_t codePoint) { return GlyphOf(codePoint).advance; }

private:
    struct Face;
    RealizedFont(std::unique_ptr<Face> face, std::string file, const FontMetrics& metrics,
                 long emboldenStrength);
    Glyph Render(char32_t codePoint);

    std::unique_ptr<Face> m_face;
    const std::string m_file;
    FontMetrics m_metrics;
    const long m_emboldenStrength;  // 26.6 pixels; 0 when the face itself has the weight

    std::mutex m_mutex;
    std::unordered_map<char32_t, Glyph> m_glyphs;
};

}  // namespace ce::gdi
