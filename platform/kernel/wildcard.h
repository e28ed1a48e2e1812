// File name patterns of the device's searches.
#pragma once

#include <string_view>

namespace ce::kernel {

bool HasWildcards(std::u16string_view pattern);

// Whether `name` matches `pattern`, where `*` stands for any run of characters and `?` for one.
// As on the device, "*.*" matches every name, with or without a dot. Case is significant, like
// the host's file names.
bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern);

}  // namespace ce::kernel
