// Conversions between the model's number widths.
//
// Every floating-point value that becomes an integer is rounded to the
// nearest integer with halves going to the even neighbour. Values stored in
// 8- and 16-bit fields keep their low bits unless a checked conversion is
// asked for, which reports whether the value fits.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace ferrovello {

// Nearest integer, halves to even (the default floating-point rounding mode).
inline double arrotonda(double x) { return std::nearbyint(x); }

// round(x) into a signed 32-bit integer; false when it does not fit or x is
// not a number.
inline bool arrotonda32(double x, int32_t& out) {
  const double r = arrotonda(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
  out = static_cast<int32_t>(r);
  return true;
}

// round(x) into a signed 16-bit integer; false when it does not fit.
inline bool arrotonda16(double x, int16_t& out) {
  const double r = arrotonda(x);
  if (!(r >= -32768.0 && r <= 32767.0)) return false;
  out = static_cast<int16_t>(r);
  return true;
}

// round(x) into an unsigned 8-bit integer; false when it does not fit.
inline bool arrotonda8(double x, uint8_t& out) {
  const double r = arrotonda(x);
  if (!(r >= 0.0 && r <= 255.0)) return false;
  out = static_cast<uint8_t>(r);
  return true;
}

// round(x) for indices: positions are 32-bit, so x / 50 + 1 always fits.
inline int64_t indice(double x) { return static_cast<int64_t>(arrotonda(x)); }

// Low bits of a value, as 16- and 8-bit fields keep them.
inline int16_t lo16(int64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xFFFFu));
}
inline uint8_t lo8(int64_t v) { return static_cast<uint8_t>(static_cast<uint64_t>(v) & 0xFFu); }

// A 32-bit sum or difference; false when it overflows.
inline bool somma32(int64_t v, int32_t& out) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
  out = static_cast<int32_t>(v);
  return true;
}

}  // namespace ferrovello
