#include "engine/rejects_file.h"

namespace tabulora {

void RejectsFile::Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() < kBufferSize) return;
    file_.Write(buffer_);
    buffer_.clear();
}

void RejectsFile::TakeBackToMark() {
    if (mark_ >= file_.Size()) {
        buffer_.resize(mark_ - file_.Size());
        return;
    }
    buffer_.clear();
    std::string error;
    if (!file_.Temp().Truncate(mark_, error)) file_.Fail(error);
}

void RejectsFile::Commit() {
    file_.Write(buffer_);
    buffer_.clear();
    file_.CommitReplacing();
}

}  // namespace tabulora
