// The ranges of the script fields whose values the model holds in fewer
// bits than the script gives them, or reads as a clock: one table for the
// compiler's faults and the authors' check's warnings, so that both name
// the same range for the same value.
#pragma once

#include <cstdint>

namespace ferrovello {

struct Intervallo {
  int32_t minimo;
  int32_t massimo;
};

// A speed limit, stored in units of 5 km/h in one byte: 0 to 255 × 5 km/h.
// The compiler refuses a speed whose units do not fit the byte (round(v / 5)
// above 255 or below 0); the values in between round into the range.
inline constexpr Intervallo kCampoVelocita{0, 1275};
// A gradient, stored as per mille plus 100 in one byte.
inline constexpr Intervallo kCampoPendenza{-100, 155};
// An adhesion value, one byte.
inline constexpr Intervallo kCampoAderenza{0, 255};
// A time of day.
inline constexpr Intervallo kCampoOre{0, 23};
inline constexpr Intervallo kCampoMinuti{0, 59};
inline constexpr Intervallo kCampoSecondi{0, 59};
// The code digits and the sides of a signal.
inline constexpr Intervallo kCampoCifra{0, 9};

}  // namespace ferrovello
