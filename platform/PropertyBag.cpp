#include "platform/PropertyBag.h"

#include <algorithm>
#include <memory>
#include <string>

#include "base/Ascii.h"
#include "base/Numbers.h"
#include "base/RuntimeError.h"

namespace platform {

namespace {

base::Text LowerKey(base::TextView key) {
  return base::AsciiLowerCopy(key);
}

[[noreturn]] void TypeMismatch() {
  throw base::RuntimeError(base::ErrorKind::TypeMismatch, "type mismatch");
}

// A font stored or handed out as an object of its own, so that no one changes saved
// data by changing the font of a control.
PropertyValue Detached(PropertyValue value) {
  if (auto* font = std::get_if<base::FontRef>(&value); font && *font) {
    *font = std::make_shared<base::Font>(**font);
  }
  return value;
}

std::optional<std::int64_t> AsNumber(const PropertyValue& v) {
  if (auto* i = std::get_if<std::int16_t>(&v)) return *i;
  if (auto* i = std::get_if<std::int32_t>(&v)) return *i;
  return std::nullopt;
}

}  // namespace

std::int32_t PropertyToInt32(const PropertyValue& value) {
  if (auto n = AsNumber(value)) return static_cast<std::int32_t>(*n);
  if (auto* b = std::get_if<bool>(&value)) return *b ? -1 : 0;
  if (auto* t = std::get_if<base::Text>(&value)) return base::TextToInt32(*t);
  TypeMismatch();
}

std::int16_t PropertyToInt16(const PropertyValue& value) {
  return base::ToInt16(static_cast<std::int64_t>(PropertyToInt32(value)));
}

bool PropertyToBool(const PropertyValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return *b;
  if (auto n = AsNumber(value)) return *n != 0;
  if (auto* t = std::get_if<base::Text>(&value)) {
    const base::Text trimmed = base::Trim(*t);
    if (base::EqualsNoCase(trimmed, u"True")) return true;
    if (base::EqualsNoCase(trimmed, u"False")) return false;
    return base::TextToInt32(trimmed) != 0;
  }
  TypeMismatch();
}

base::Text PropertyToText(const PropertyValue& value) {
  if (auto* t = std::get_if<base::Text>(&value)) return *t;
  if (auto n = AsNumber(value)) {
    const std::string digits = std::to_string(*n);
    return base::Text(digits.begin(), digits.end());
  }
  if (auto* b = std::get_if<bool>(&value)) return *b ? u"True" : u"False";
  TypeMismatch();
}

base::FontRef PropertyToFont(const PropertyValue& value) {
  auto* font = std::get_if<base::FontRef>(&value);
  if (!font) TypeMismatch();
  if (!*font) throw base::RuntimeError(base::ErrorKind::InvalidCall, "no font object");
  return *font;
}

bool SameProperty(const PropertyValue& a, const PropertyValue& b) {
  const auto na = AsNumber(a);
  const auto nb = AsNumber(b);
  if (na || nb) return na && nb && *na == *nb;
  if (a.index() != b.index()) return false;
  if (auto* fa = std::get_if<base::FontRef>(&a)) {
    const auto& fb = std::get<base::FontRef>(b);
    if (!*fa || !fb) return !*fa && !fb;
    return **fa == *fb;
  }
  return a == b;
}

std::vector<PropertyBag::Entry>::const_iterator PropertyBag::Find(
    const base::Text& lowerKey) const {
  return std::find_if(entries_.begin(), entries_.end(),
                      [&](const Entry& e) { return e.first == lowerKey; });
}

PropertyValue PropertyBag::ReadProperty(base::TextView key, PropertyValue defaultValue) const {
  const auto it = Find(LowerKey(key));
  if (it == entries_.end()) return defaultValue;
  return Detached(it->second);
}

void PropertyBag::WriteProperty(base::TextView key, PropertyValue value,
                                std::optional<PropertyValue> defaultValue) {
  const base::Text lower = LowerKey(key);
  const auto found = Find(lower);
  const auto index = found - entries_.begin();
  if (defaultValue && SameProperty(value, *defaultValue)) {
    if (found != entries_.end()) entries_.erase(entries_.begin() + index);
    return;
  }
  if (found != entries_.end()) {
    entries_[index].second = Detached(std::move(value));
  } else {
    entries_.emplace_back(lower, Detached(std::move(value)));
  }
}

bool PropertyBag::Contains(base::TextView key) const {
  return Find(LowerKey(key)) != entries_.end();
}

void PropertyBag::SetExtent(std::int32_t x, std::int32_t y) {
  WriteProperty(u"_extentx", x);
  WriteProperty(u"_extenty", y);
}

std::int32_t PropertyBag::ExtentX() const {
  return PropertyToInt32(ReadProperty(u"_extentx", std::int32_t{0}));
}

std::int32_t PropertyBag::ExtentY() const {
  return PropertyToInt32(ReadProperty(u"_extenty", std::int32_t{0}));
}

}  // namespace platform
