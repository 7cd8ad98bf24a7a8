#pragma once

#include <string>
#include <string_view>

namespace demo {

// UTF-8 to GBK (code page 936), the encoding the portal's old pages and the update
// manifest use. Throws std::runtime_error for text GBK cannot hold.
std::string ToGbk(std::string_view utf8);

}  // namespace demo
