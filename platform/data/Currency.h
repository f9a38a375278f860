#pragma once
// A currency amount held exactly to four decimal places: a 64-bit integer scaled by 10000.
#include <cstdint>
#include <string>
#include <string_view>

namespace bramble {

class TCurrency {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr TCurrency() = default;
  static constexpr TCurrency FromScaled(std::int64_t aScaled) {
    TCurrency c;
    c.scaled_ = aScaled;
    return c;
  }
  // Rounded to the nearest ten-thousandth, ties to even. Raises bramble::Exception for a value
  // outside the currency range or not a number.
  static TCurrency FromDouble(double aValue);
  // A plain decimal text ("-12.5", "3", "0.0001", optional "+", surrounding blanks allowed).
  // Digits beyond the fourth decimal are rounded half to even. Raises bramble::Exception
  // "'<text>' is not a valid currency value" for anything else or a value out of range.
  static TCurrency FromText(std::string_view aText);

  constexpr std::int64_t Scaled() const { return scaled_; }
  double ToDouble() const { return static_cast<double>(scaled_) / 10000.0; }
  // Shortest decimal text: "12.5", "-0.0001", "3".
  std::string ToString() const;

  // Read where a number is wanted.
  operator double() const { return ToDouble(); }

  friend constexpr bool operator==(TCurrency a, TCurrency b) { return a.scaled_ == b.scaled_; }

 private:
  std::int64_t scaled_ = 0;
};

}  // namespace bramble
