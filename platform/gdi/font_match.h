// Finding the installed font file that stands in for a face name, through fontconfig.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ce::gdi {

struct FontFile {
    std::string path;
    int index = 0;  // the face within a collection file
    std::string family;
};

// The file of the named face in the asked weight and slant, or of DejaVu Sans when no installed
// face has that name; nothing when fontconfig finds no font at all. Debian's free Tahoma lives in
// a folder fontconfig does not search (the Wine fonts), so the first call adds that folder.
std::optional<FontFile> MatchFontFile(std::u16string_view face, bool bold, bool italic);

}  // namespace ce::gdi
