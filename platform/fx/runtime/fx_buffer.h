// The ID3DXBuffer behind the effect compiler's text (platform/fx internal).
#pragma once

#include <string>

#include "platform/fx/fx.h"

namespace fx {

// A buffer holding text plus a terminating zero (counted in its size), with a
// reference count of one.
ID3DXBuffer* CreateTextBuffer(const std::string& text);

}  // namespace fx
