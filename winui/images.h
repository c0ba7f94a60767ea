#pragma once
#include <windows.h>

#include "winui/handles.h"

namespace winui {

// The named icon resources of the executable, drawn at a given pixel size (each icon carries
// several sizes, so common scalings get an exact one).
UniqueIcon LoadIconAtSize(const wchar_t* name, int size);

// A one-image list for a button (BCM_SETIMAGELIST).
UniqueImageList ButtonImageList(const wchar_t* name, int size);

// Puts `image` left of the caption of `button`, `margin` pixels from the button's left edge.
void SetButtonImage(HWND button, HIMAGELIST image, int margin);

}  // namespace winui
