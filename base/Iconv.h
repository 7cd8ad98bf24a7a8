#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace base {

// Why a conversion stopped short of the end of its input.
enum class IconvStop {
  kInvalid,     // bytes that are no character of the source set, or one the target lacks
  kIncomplete,  // the input ends inside a character
  kFailed,      // the converter failed for any other reason
};

// Answers how many bytes of `rest` (the input from where the conversion stopped) to
// skip, after appending to `out` whatever stands for them; npos ends the conversion
// there, with `rest` not consumed.
using IconvStopHandler =
    std::function<std::size_t(IconvStop why, std::string_view rest, std::string& out)>;

// Runs `converter` (an iconv descriptor, as iconv_open gives it) over `input`, appending
// what it produces to `out`. Where it stops short, `onStop` decides; after skipped bytes
// the converter goes back to its initial state and goes on. Returns the bytes consumed,
// skipped ones included.
std::size_t IconvConvert(void* converter, std::string_view input, std::string& out,
                         const IconvStopHandler& onStop);

// Text from UTF-16LE bytes, as iconv writes them; an odd last byte is dropped.
Text FromUtf16Le(std::string_view bytes);

}  // namespace base
