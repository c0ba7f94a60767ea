#pragma once
#include <windows.h>

#include "winui/handles.h"

namespace winui {

// A picture kept as PNG resources (RCDATA) named `name` + "_100", "_150" and "_200", drawn for
// 100, 150 and 200 % scaling. Returns it rendered at `size` pixels from the closest drawing that
// is not smaller, as a 32-bit bitmap with premultiplied alpha (for AlphaBlend); null when the
// resource cannot be read.
UniqueBitmap RenderPicture(const wchar_t* name, SIZE size96, SIZE size);

}  // namespace winui
