#pragma once
#include <windows.h>
#include <shobjidl.h>

#include "winui/handles.h"

namespace winui {

// The progress shown on a window's taskbar button. Quietly does nothing where the shell offers
// no taskbar list.
class TaskbarProgress {
public:
    explicit TaskbarProgress(HWND window);

    // `done` of `total`; a total of 0 shows a busy state without a figure.
    void Show(unsigned long long done, unsigned long long total);
    void Clear();

private:
    HWND window_;
    ComApartment com_;
    ComPtr<ITaskbarList3> taskbar_;
};

}  // namespace winui
