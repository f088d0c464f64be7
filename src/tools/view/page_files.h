// The view page's own files (src/tools/view/page/), carried byte for byte:
// the markup with its places for the title, style, data and script, the
// style, and the script. Compiled from the files at build time.
#pragma once

#include <string_view>

namespace ferrovello {

extern const std::string_view kPaginaVistaHtml;
extern const std::string_view kPaginaVistaCss;
extern const std::string_view kPaginaVistaJs;
// The live page of `view --serve`, which holds the view page and follows
// the server's states.
extern const std::string_view kPaginaDiretta;

}  // namespace ferrovello
