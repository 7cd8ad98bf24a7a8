#include "base/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "base/RuntimeError.h"

namespace base {

namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Whether a decimal that is out of a double's range lies above it rather than below:
// whether its leading digit stands at 10^0 or higher. `ascii` is unsigned and has at
// least one non-zero digit.
bool BeyondTheLargest(std::string_view ascii) {
  const std::size_t e = std::min(ascii.find_first_of("eE"), ascii.size());
  const std::string_view mantissa = ascii.substr(0, e);
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t lead = mantissa.find_first_not_of("0.");
  if (lead == std::string_view::npos) return false;
  long long order = lead < point ? static_cast<long long>(point - lead) - 1
                                 : static_cast<long long>(point) - static_cast<long long>(lead);
  // The exponent may have more digits than any integer holds; far past the range is
  // far enough.
  long long exponent = 0;
  std::size_t i = e + 1;
  const bool negative = i < ascii.size() && ascii[i] == '-';
  if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) ++i;
  for (; i < ascii.size() && exponent < 1'000'000'000; ++i)
    exponent = exponent * 10 + (ascii[i] - '0');
  order += negative ? -exponent : exponent;
  return order >= 0;
}

// A scanned decimal as strtod reads it in the "C" locale, whatever the process's locale
// says: correctly rounded, denormals kept, an infinity past the largest double and a
// zero below the smallest denormal, each with the number's sign.
double ParseAscii(std::string_view ascii) {
  bool negative = false;
  if (!ascii.empty() && (ascii.front() == '+' || ascii.front() == '-')) {
    negative = ascii.front() == '-';
    ascii.remove_prefix(1);
  }
  // Rounding to nearest is symmetric: the magnitude decides, the sign goes on after.
  double magnitude = 0;
  const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), magnitude);
  if (result.ec == std::errc::result_out_of_range)
    magnitude = BeyondTheLargest(ascii) ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -magnitude : magnitude;
}

// An integer's decimal digits, with a minus sign when negative.
std::string IntegerText(long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A double in the form printf's "%.14e" gives, "-d.dddddddddddddde+XX", written without
// the process's locale.
std::string_view Scientific14(double value, char (&buffer)[40]) {
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

// A decimal number in the form the readers accept: sign, digits, at most one period,
// exponent. The digits are converted in one go so that the result is correctly rounded.
struct DecimalScan {
  std::string ascii;
  bool digits = false;
  bool dangling = false;  // "E" or "E+" without digits
};

template <class Stream>
DecimalScan ScanDecimal(Stream& s) {
  DecimalScan scan;
  char16_t c;
  if (s.peek(c) && (c == u'+' || c == u'-')) {
    scan.ascii.push_back(static_cast<char>(c));
    s.take();
  }
  bool period = false;
  while (s.peek(c)) {
    if (IsDigit(c)) {
      scan.digits = true;
    } else if (c == u'.' && !period) {
      period = true;
    } else {
      break;
    }
    scan.ascii.push_back(static_cast<char>(c));
    s.take();
  }
  if (!scan.digits) return scan;
  if (s.peek(c) && (c == u'E' || c == u'e')) {
    s.take();
    std::string exponent = "e";
    if (s.peek(c) && (c == u'+' || c == u'-')) {
      exponent.push_back(static_cast<char>(c));
      s.take();
    }
    bool expDigits = false;
    while (s.peek(c) && IsDigit(c)) {
      expDigits = true;
      exponent.push_back(static_cast<char>(c));
      s.take();
    }
    if (expDigits) {
      scan.ascii += exponent;
    } else {
      scan.dangling = true;
    }
  }
  return scan;
}

// Characters of a text with spaces, tabs and line feeds left out, as the leading-number
// reader sees them.
class BlankSkippingStream {
 public:
  explicit BlankSkippingStream(TextView text) : text_(text) {}
  bool peek(char16_t& c) {
    while (pos_ < text_.size() &&
           (text_[pos_] == u' ' || text_[pos_] == u'\t' || text_[pos_] == u'\n'))
      ++pos_;
    if (pos_ >= text_.size()) return false;
    c = text_[pos_];
    return true;
  }
  void take() { ++pos_; }

 private:
  TextView text_;
  std::size_t pos_ = 0;
};

// Plain characters, for the strict text-to-integer reading.
class PlainStream {
 public:
  explicit PlainStream(TextView text) : text_(text) {}
  bool peek(char16_t& c) {
    if (pos_ >= text_.size()) return false;
    c = text_[pos_];
    return true;
  }
  void take() { ++pos_; }
  bool atEnd() const { return pos_ >= text_.size(); }

 private:
  TextView text_;
  std::size_t pos_ = 0;
};

// "&H" or "&O" and the digits that follow; false (and nothing consumed) without the prefix.
template <class Stream>
bool ReadRadix(Stream& s, double& value, std::size_t& count) {
  char16_t c;
  if (!s.peek(c) || c != u'&') return false;
  Stream probe = s;
  probe.take();
  if (!probe.peek(c)) return false;
  int radix = (c == u'H' || c == u'h') ? 16 : (c == u'O' || c == u'o') ? 8 : 0;
  if (radix == 0) return false;
  probe.take();
  value = 0;
  count = 0;
  while (probe.peek(c)) {
    const int d = HexDigit(c);
    if (d < 0 || d >= radix) break;
    value = value * radix + d;
    ++count;
    probe.take();
  }
  s = probe;
  return true;
}

// The 15 significant digits and the decimal exponent of a finite non-zero magnitude:
// value = d.dddddddddddddd x 10^exponent.
struct Decimal15 {
  bool negative = false;
  std::string digits;  // exactly 15 digits, the first non-zero
  int exponent = 0;
};

Decimal15 ToDecimal15(double value) {
  char buffer[40];
  std::string_view text = Scientific14(value, buffer);
  Decimal15 d;
  if (text.front() == '-') {
    d.negative = true;
    text.remove_prefix(1);
  }
  const std::size_t e = text.find('e');
  for (char c : text.substr(0, e)) {
    if (c != '.') d.digits.push_back(c);
  }
  // The exponent always carries its sign.
  const char* first = text.data() + e + 2;
  std::from_chars(first, text.data() + text.size(), d.exponent);
  if (text[e + 1] == '-') d.exponent = -d.exponent;
  return d;
}

// A value rounded to `places` decimals on its 15-digit decimal form: the result is
// integer × 10^-places, with the integer written out in decimal digits.
struct Rounded {
  bool negative = false;
  std::string integer;   // no leading zeros; "0" for zero
  bool changed = false;  // whether any of the 15 digits was dropped
};

Rounded RoundDecimal15(double value, int places, bool tiesAwayFromZero) {
  Rounded r;
  if (value == 0) {
    r.integer = "0";
    return r;
  }
  const Decimal15 d = ToDecimal15(value);
  r.negative = d.negative;
  // Number of the 15 digits that lie at or above the place 10^-places.
  const long kept = static_cast<long>(d.exponent) + places + 1;
  if (kept >= 15) {
    r.integer = d.digits + std::string(static_cast<std::size_t>(kept - 15), '0');
    return r;
  }
  r.changed = true;
  std::string integer = kept > 0 ? d.digits.substr(0, static_cast<std::size_t>(kept)) : "";
  bool up = false;
  if (kept >= 0) {
    const char next = d.digits[static_cast<std::size_t>(kept)];
    const bool restZero =
        d.digits.find_first_not_of('0', static_cast<std::size_t>(kept) + 1) == std::string::npos;
    if (next > '5' || (next == '5' && !restZero)) {
      up = true;
    } else if (next == '5') {
      const bool lastOdd = !integer.empty() && ((integer.back() - '0') % 2 == 1);
      up = tiesAwayFromZero || lastOdd;
    }
  }
  if (up) {
    int i = static_cast<int>(integer.size()) - 1;
    while (i >= 0 && integer[i] == '9') integer[i--] = '0';
    if (i >= 0) {
      ++integer[i];
    } else {
      integer.insert(integer.begin(), '1');
    }
  }
  const auto nz = integer.find_first_not_of('0');
  r.integer = nz == std::string::npos ? "0" : integer.substr(nz);
  return r;
}

void RequireFiniteForText(double value) {
  if (std::isnan(value) || std::isinf(value))
    throw RuntimeError(ErrorKind::Overflow, "number is not finite");
}

}  // namespace

double LeadingNumber(TextView text) {
  BlankSkippingStream s(text);
  double radixValue = 0;
  std::size_t radixDigits = 0;
  if (ReadRadix(s, radixValue, radixDigits)) return radixValue;
  DecimalScan scan = ScanDecimal(s);
  if (!scan.digits) return 0;
  double v = ParseAscii(scan.ascii);
  return v == 0 ? 0.0 : v;  // no "-0"
}

// NaN and the infinities never reach the forms' texts; they get readable words.
Text NumberToText(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  Decimal15 d = ToDecimal15(value);
  std::string digits = d.digits;
  digits.erase(digits.find_last_not_of('0') + 1);  // the first digit is never '0'
  const int count = static_cast<int>(digits.size());
  std::string out = d.negative ? "-" : "";
  const int afterPoint = count - 1 - d.exponent;  // decimals the fixed form needs
  if (d.exponent < 15 && afterPoint <= 15) {
    if (d.exponent < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
      out += digits;
    } else if (afterPoint <= 0) {
      out += digits;
      out.append(static_cast<std::size_t>(-afterPoint), '0');
    } else {
      out += digits.substr(0, static_cast<std::size_t>(d.exponent + 1));
      out += '.';
      out += digits.substr(static_cast<std::size_t>(d.exponent + 1));
    }
  } else {
    out += digits[0];
    if (count > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += d.exponent < 0 ? "E-" : "E+";
    if (std::abs(d.exponent) < 10) out += '0';
    out += IntegerText(std::abs(d.exponent));
  }
  return FromLatin1(out);
}

double RoundTo15Digits(double value) {
  if (!std::isfinite(value) || value == 0) return value;
  char buffer[40];
  return ParseAscii(Scientific14(value, buffer));
}

std::int16_t ToInt16(double value) {
  const double r = std::nearbyint(value);
  if (std::isnan(r) || r < -32768.0 || r > 32767.0)
    throw RuntimeError(ErrorKind::Overflow, "value does not fit 16 bits");
  return static_cast<std::int16_t>(r);
}

std::int32_t ToInt32(double value) {
  const double r = std::nearbyint(value);
  if (std::isnan(r) || r < -2147483648.0 || r > 2147483647.0)
    throw RuntimeError(ErrorKind::Overflow, "value does not fit 32 bits");
  return static_cast<std::int32_t>(r);
}

std::int16_t ToInt16(std::int64_t value) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    throw RuntimeError(ErrorKind::Overflow, "value does not fit 16 bits");
  return static_cast<std::int16_t>(value);
}

// Ties are judged on the 15-digit decimal form, the form the user sees: 2.675 is a tie
// even though its double lies a little below it.
double RoundDecimals(double value, int digits) {
  if (!std::isfinite(value) || value == 0) return value;
  const Rounded r = RoundDecimal15(value, digits, /*tiesAwayFromZero=*/false);
  if (!r.changed) return value;
  std::string ascii =
      (r.negative ? "-" : "") + r.integer + "e" + IntegerText(-static_cast<long long>(digits));
  return ParseAscii(ascii);
}

// A negative value that rounds to zero is written "0.00": a minus sign in front of a
// zero reading would only look like a fault on the bar. NaN and the infinities have no
// "0.00" form and fail with Overflow, as the runtime's checked arithmetic does.
Text FormatZeroPointZeroZero(double value) {
  RequireFiniteForText(value);
  const Rounded r = RoundDecimal15(value, 2, /*tiesAwayFromZero=*/true);
  std::string integer = r.integer;
  if (integer.size() < 3) integer.insert(0, 3 - integer.size(), '0');
  std::string out = (r.negative && r.integer != "0") ? "-" : "";
  out += integer.substr(0, integer.size() - 2);
  out += '.';
  out += integer.substr(integer.size() - 2);
  return FromLatin1(out);
}

std::int32_t TextToInt32(TextView text) {
  std::size_t first = 0, last = text.size();
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  const TextView body = text.substr(first, last - first);
  PlainStream s(body);
  double value = 0;
  std::size_t radixDigits = 0;
  if (ReadRadix(s, value, radixDigits)) {
    if (radixDigits == 0 || !s.atEnd()) throw RuntimeError(ErrorKind::TypeMismatch, "not a number");
  } else {
    DecimalScan scan = ScanDecimal(s);
    if (!scan.digits || scan.dangling || !s.atEnd())
      throw RuntimeError(ErrorKind::TypeMismatch, "not a number");
    value = ParseAscii(scan.ascii);
  }
  return ToInt32(value);
}

double CheckedDivide(double numerator, double denominator) {
  const double r = numerator / denominator;
  if (std::isnan(r) || std::isinf(r))
    throw RuntimeError(ErrorKind::DivisionByZero, "division by zero");
  return r;
}

double CheckFinite(double value) {
  if (std::isnan(value) || std::isinf(value))
    throw RuntimeError(ErrorKind::Overflow, "floating-point overflow");
  return value;
}

}  // namespace base
