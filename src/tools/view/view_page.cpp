#include "tools/view/view_page.h"

#include "tools/view/page_files.h"

namespace ferrovello {

namespace {

std::string html(const std::string& testo) {
  std::string out;
  for (const char c : testo) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Appends the markup from `da` up to the place `segno`, and returns where
// the markup goes on after it.
size_t fino_a(std::string& pagina, size_t da, std::string_view segno) {
  const size_t dove = kPaginaVistaHtml.find(segno, da);
  pagina.append(kPaginaVistaHtml.substr(da, dove - da));
  return dove + segno.size();
}

}  // namespace

// The markup holds its places in the order the page needs them: title,
// style, data, script.
std::string pagina_vista(const std::string& titolo, const std::string& json) {
  std::string pagina;
  pagina.reserve(kPaginaVistaHtml.size() + kPaginaVistaCss.size() + kPaginaVistaJs.size() + json.size() + 1024);
  size_t da = fino_a(pagina, 0, "@TITOLO@");
  pagina += html(titolo);
  da = fino_a(pagina, da, "@STILE@");
  pagina += kPaginaVistaCss;
  da = fino_a(pagina, da, "@DATI@");
  // '<' stands only inside JSON strings, where its escape means the same;
  // so no "</script>" in the data can end the element early.
  for (const char c : json) {
    if (c == '<') {
      pagina += "\\u003c";
    } else {
      pagina += c;
    }
  }
  da = fino_a(pagina, da, "@SCRIPT@");
  pagina += kPaginaVistaJs;
  pagina.append(kPaginaVistaHtml.substr(da));
  return pagina;
}

}  // namespace ferrovello
