// The byte layout of the two packed records of the binary files, written
// once: the ordered list of each record's fields. The encoder, the decoder,
// the dump's JSON and the record sizes all follow these lists; a field's
// width is the width of its member, and a text takes a 16-bit length and
// then its bytes.
#pragma once

#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>

#include "model/form1.h"

namespace ferrovello {

// One field of a record: its name in the dumps and the member that holds it.
template <typename Record, typename T>
struct Campo {
  using Tipo = T;
  const char* nome;
  T Record::*membro;
};
template <typename Record, typename T>
Campo(const char*, T Record::*) -> Campo<Record, T>;

// Route cell.
inline constexpr std::tuple kCampiCella{
    Campo{"kind", &RouteCell::kind},     Campo{"value1", &RouteCell::value1}, Campo{"value2", &RouteCell::value2},
    Campo{"value3", &RouteCell::value3}, Campo{"value4", &RouteCell::value4}, Campo{"byte1", &RouteCell::byte1},
    Campo{"byte2", &RouteCell::byte2},   Campo{"byte3", &RouteCell::byte3},   Campo{"byte4", &RouteCell::byte4},
    Campo{"byte5", &RouteCell::byte5},   Campo{"byte6", &RouteCell::byte6},
};

// Item record: its fixed fields and the bytes of its text.
inline constexpr std::tuple kCampiElemento{
    Campo{"kind", &ItemRecord::kind},   Campo{"value1", &ItemRecord::value1}, Campo{"value2", &ItemRecord::value2},
    Campo{"position", &ItemRecord::position}, Campo{"flag", &ItemRecord::flag}, Campo{"text", &ItemRecord::text},
    Campo{"word1", &ItemRecord::word1}, Campo{"word2", &ItemRecord::word2},   Campo{"word3", &ItemRecord::word3},
    Campo{"word4", &ItemRecord::word4}, Campo{"word5", &ItemRecord::word5},   Campo{"byte1", &ItemRecord::byte1},
    Campo{"byte2", &ItemRecord::byte2}, Campo{"byte3", &ItemRecord::byte3},   Campo{"byte4", &ItemRecord::byte4},
    Campo{"code", &ItemRecord::code},
};

// Calls f(field) for every field of a layout, in order.
template <typename Layout, typename F>
constexpr void per_ogni_campo(const Layout& layout, F&& f) {
  std::apply([&](const auto&... campo) { (f(campo), ...); }, layout);
}

// Bytes a field takes in the file, a text's bytes not counted.
template <typename T>
constexpr size_t byte_campo() {
  if constexpr (std::is_same_v<T, std::string>) {
    return 2;  // the 16-bit length
  } else {
    static_assert(std::is_integral_v<T>);
    return sizeof(T);
  }
}

// Bytes of a record in the file, texts' bytes not counted.
template <typename Layout>
constexpr size_t byte_fissi(const Layout& layout) {
  size_t n = 0;
  per_ogni_campo(layout, [&](const auto& campo) { n += byte_campo<typename std::remove_cvref_t<decltype(campo)>::Tipo>(); });
  return n;
}

// The same for the fields after a record's text (the whole record without one).
template <typename Layout>
constexpr size_t byte_dopo_testo(const Layout& layout) {
  size_t n = 0;
  per_ogni_campo(layout, [&](const auto& campo) {
    using T = typename std::remove_cvref_t<decltype(campo)>::Tipo;
    n = std::is_same_v<T, std::string> ? 0 : n + byte_campo<T>();
  });
  return n;
}

inline constexpr size_t kCellBytes = byte_fissi(kCampiCella);
inline constexpr size_t kItemFixedBytes = byte_fissi(kCampiElemento);
static_assert(kCellBytes == 15 && kItemFixedBytes == 34, "the simulator reads records of these sizes");

}  // namespace ferrovello
