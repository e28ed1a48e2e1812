#include "gdi/pixel_ops.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "gdi/rect_math.h"

namespace ce::gdi {

namespace {

// Source positions of a run of destination pixels: for each destination index d in
// [first, last) of a span of destinationLength pixels mapped onto sourceLength source pixels from
// sourceStart, the source index under the centre of d. Integer stepping: the numerator grows by
// 2 * sourceLength per pixel and carries into the index once it passes 2 * destinationLength.
std::vector<LONG> SourceIndexes(LONG first, LONG last, LONG destinationLength, LONG sourceStart,
                                LONG sourceLength) {
    std::vector<LONG> indexes(static_cast<std::size_t>(std::max<LONG>(last - first, 0)));
    const std::int64_t denominator = 2 * std::int64_t{destinationLength};
    const std::int64_t start = (2 * std::int64_t{first} + 1) * sourceLength;
    std::int64_t whole = start / denominator;
    std::int64_t remainder = start % denominator;
    const std::int64_t stepWhole = (2 * std::int64_t{sourceLength}) / denominator;
    const std::int64_t stepRemainder = (2 * std::int64_t{sourceLength}) % denominator;
    for (auto& index : indexes) {
        index = static_cast<LONG>(sourceStart + whole);
        whole += stepWhole;
        remainder += stepRemainder;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++whole;
        }
    }
    return indexes;
}

// Narrows [first, last) of destination positions to those whose source index lies in
// [low, high); the indexes grow with the position, so the valid ones are one run.
void TrimToSource(std::vector<LONG>& indexes, LONG& first, LONG low, LONG high) {
    const auto begin =
        std::find_if(indexes.begin(), indexes.end(), [&](LONG index) { return index >= low; });
    const auto end = std::find_if(begin, indexes.end(), [&](LONG index) { return index >= high; });
    first += static_cast<LONG>(begin - indexes.begin());
    indexes = std::vector<LONG>(begin, end);
}

}  // namespace

void StretchCopy(Surface& destination, const RECT& destinationRect, const RECT& clip,
                 const Surface& source, const RECT& sourceRect, const RECT& sourceLimit) {
    const LONG destinationWidth = destinationRect.right - destinationRect.left;
    const LONG destinationHeight = destinationRect.bottom - destinationRect.top;
    const LONG sourceWidth = sourceRect.right - sourceRect.left;
    const LONG sourceHeight = sourceRect.bottom - sourceRect.top;
    if (destinationWidth <= 0 || destinationHeight <= 0 || sourceWidth <= 0 || sourceHeight <= 0) {
        return;
    }
    const RECT limit = Intersect(sourceLimit, source.Bounds());
    if (destinationWidth == sourceWidth && destinationHeight == sourceHeight) {
        const LONG dx = destinationRect.left - sourceRect.left;
        const LONG dy = destinationRect.top - sourceRect.top;
        RECT to = Intersect(Offset(Intersect(sourceRect, limit), dx, dy), clip);
        destination.Copy(to.left, to.top, source, Offset(to, -dx, -dy));
        return;
    }
    if (&destination == &source) {
        // Scaling within one surface would read pixels already written: scale from a copy.
        const RECT from = Intersect(sourceRect, limit);
        Surface copy(from.right - from.left, from.bottom - from.top);
        copy.Copy(0, 0, source, from);
        StretchCopy(destination, destinationRect, clip, copy,
                    Offset(sourceRect, -from.left, -from.top), copy.Bounds());
        return;
    }
    const RECT area = Intersect(Intersect(destinationRect, clip), destination.Bounds());
    if (IsEmpty(area)) {
        return;
    }
    LONG firstColumn = area.left;
    std::vector<LONG> columns =
        SourceIndexes(area.left - destinationRect.left, area.right - destinationRect.left,
                      destinationWidth, sourceRect.left, sourceWidth);
    TrimToSource(columns, firstColumn, limit.left, limit.right);
    LONG firstRow = area.top;
    std::vector<LONG> rows =
        SourceIndexes(area.top - destinationRect.top, area.bottom - destinationRect.top,
                      destinationHeight, sourceRect.top, sourceHeight);
    TrimToSource(rows, firstRow, limit.top, limit.bottom);
    if (columns.empty() || rows.empty()) {
        return;
    }
    const std::size_t count = columns.size();
    const bool sameWidth = destinationWidth == sourceWidth;
    const Pixel* previousOutput = nullptr;
    LONG previousSourceRow = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Pixel* out = destination.Row(firstRow + static_cast<LONG>(i)) + firstColumn;
        if (rows[i] == previousSourceRow) {
            // Enlarging repeats source rows: repeat the finished destination row instead.
            std::memcpy(out, previousOutput, count * sizeof(Pixel));
        } else if (sameWidth) {
            std::memcpy(out, source.Row(rows[i]) + columns.front(), count * sizeof(Pixel));
        } else {
            const Pixel* in = source.Row(rows[i]);
            for (std::size_t c = 0; c < count; ++c) {
                out[c] = in[columns[c]];
            }
        }
        previousOutput = out;
        previousSourceRow = rows[i];
    }
}

void BlendCoverage(Surface& destination, int x, int y, const std::uint8_t* coverage, int width,
                   int height, std::ptrdiff_t pitch, Pixel colour, const RECT& clip) {
    const RECT area =
        Intersect(Intersect(RECT{x, y, x + width, y + height}, clip), destination.Bounds());
    for (LONG row = area.top; row < area.bottom; ++row) {
        const std::uint8_t* in = coverage + (row - y) * pitch + (area.left - x);
        Pixel* out = destination.Row(row) + area.left;
        for (LONG i = 0; i < area.right - area.left; ++i) {
            const unsigned alpha = AlphaFromByte(in[i]);
            if (alpha == 32) {
                out[i] = colour;
            } else if (alpha != 0) {
                out[i] = Blend(out[i], colour, alpha);
            }
        }
    }
}

void BlendImage(Surface& destination, const RECT& destinationRect, const Surface& image,
                const std::uint8_t* alpha, const RECT& clip) {
    const LONG width = destinationRect.right - destinationRect.left;
    const LONG height = destinationRect.bottom - destinationRect.top;
    if (width <= 0 || height <= 0 || image.Width() <= 0 || image.Height() <= 0) {
        return;
    }
    const RECT area = Intersect(Intersect(destinationRect, clip), destination.Bounds());
    if (IsEmpty(area)) {
        return;
    }
    const std::vector<LONG> columns =
        SourceIndexes(area.left - destinationRect.left, area.right - destinationRect.left, width, 0,
                      image.Width());
    const std::vector<LONG> rows =
        SourceIndexes(area.top - destinationRect.top, area.bottom - destinationRect.top, height, 0,
                      image.Height());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        Pixel* out = destination.Row(area.top + static_cast<LONG>(r)) + area.left;
        const Pixel* in = image.Row(rows[r]);
        const std::uint8_t* opacity =
            alpha + static_cast<std::size_t>(rows[r]) * static_cast<std::size_t>(image.Width());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const unsigned a = AlphaFromByte(opacity[columns[c]]);
            if (a == 32) {
                out[c] = in[columns[c]];
            } else if (a != 0) {
                out[c] = Blend(out[c], in[columns[c]], a);
            }
        }
    }
}

}  // namespace ce::gdi
