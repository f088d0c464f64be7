// How far apart two words are, for the suggestions the tool makes when a
// word is almost one it knows (a keyword, a subcommand, an option).
#pragma once

#include <cstddef>
#include <string>

namespace ferrovello {

// The edit distance of a and b, or limite + 1 as soon as it is sure to be
// more than limite.
size_t distanza(const std::string& a, const std::string& b, size_t limite);

}  // namespace ferrovello
