#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "base/Font.h"
#include "base/Text.h"

namespace platform {

// What a read without a default returns for an absent key. It converts to nothing.
struct MissingArgument {
  bool operator==(const MissingArgument&) const = default;
};

using PropertyValue =
    std::variant<MissingArgument, std::int16_t, std::int32_t, bool, base::Text, base::FontRef>;

// Conversions of a stored value to the kind a property wants. A value of the wrong kind,
// a text that is no number and the missing marker fail with TypeMismatch, a number too
// wide with Overflow, an empty font reference with InvalidCall.
std::int16_t PropertyToInt16(const PropertyValue& value);
std::int32_t PropertyToInt32(const PropertyValue& value);
bool PropertyToBool(const PropertyValue& value);
base::Text PropertyToText(const PropertyValue& value);
base::FontRef PropertyToFont(const PropertyValue& value);

// Two values a host takes as equal when it decides whether to leave a value out:
// numbers by value whatever their width, fonts by content, the rest by plain equality.
bool SameProperty(const PropertyValue& a, const PropertyValue& b);

// The host's key/value store of a control's design-time settings. Keys are matched
// without regard to case and kept in lower case, in the order first written.
class PropertyBag {
 public:
  using Entry = std::pair<base::Text, PropertyValue>;

  // The stored value, or `defaultValue` when the key is absent. A font comes back as an
  // object of its own: the bag keeps fonts by value, as a saved form does.
  PropertyValue ReadProperty(base::TextView key,
                             PropertyValue defaultValue = MissingArgument{}) const;
  // Stores the value. One equal to the given default is left out, and an earlier entry
  // under the key goes with it, so reading it back gives the default.
  void WriteProperty(base::TextView key, PropertyValue value,
                     std::optional<PropertyValue> defaultValue = std::nullopt);

  bool Contains(base::TextView key) const;
  const std::vector<Entry>& Entries() const { return entries_; }

  // The host's own record of the control's size, in hundredths of a millimetre
  // ("_extentx", "_extenty").
  void SetExtent(std::int32_t x, std::int32_t y);
  std::int32_t ExtentX() const;
  std::int32_t ExtentY() const;

 private:
  std::vector<Entry>::const_iterator Find(const base::Text& lowerKey) const;

  std::vector<Entry> entries_;
};

}  // namespace platform
