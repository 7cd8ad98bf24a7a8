#include "widgets/SavedProgressBar.h"

#include <cstdint>
#include <memory>

#include "base/Colour.h"

namespace widgets {

platform::PropertyBag SavedProgressBar() {
  platform::PropertyBag bag;
  bag.SetExtent(12515, 661);
  bag.WriteProperty(u"appearance", std::int16_t{1});
  bag.WriteProperty(u"forecolor", static_cast<std::int32_t>(base::kButtonText));
  bag.WriteProperty(u"backcolor", static_cast<std::int32_t>(base::kButtonFace));
  bag.WriteProperty(u"fillcolor", static_cast<std::int32_t>(base::kBlue));
  bag.WriteProperty(u"captionstyle", std::int32_t{2});
  bag.WriteProperty(u"caption", base::Text());
  auto font = std::make_shared<base::Font>();
  font->name = u"宋体";
  font->size = 9;
  font->weight = 400;
  font->charset = 134;
  bag.WriteProperty(u"captionfont", font);
  return bag;
}

}  // namespace widgets
