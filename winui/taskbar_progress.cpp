#include "winui/taskbar_progress.h"

namespace winui {

TaskbarProgress::TaskbarProgress(HWND window) : window_(window) {
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(taskbar_.Put()))) &&
        FAILED(taskbar_->HrInit())) {
        taskbar_.Reset();
    }
}

void TaskbarProgress::Show(unsigned long long done, unsigned long long total) {
    if (!taskbar_) return;
    if (total == 0) {
        taskbar_->SetProgressState(window_, TBPF_INDETERMINATE);
        return;
    }
    taskbar_->SetProgressState(window_, TBPF_NORMAL);
    taskbar_->SetProgressValue(window_, done, total);
}

void TaskbarProgress::Clear() {
    if (taskbar_) taskbar_->SetProgressState(window_, TBPF_NOPROGRESS);
}

}  // namespace winui
