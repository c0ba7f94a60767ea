#include "engine/rejects_file.h"

namespace tabulora {

RejectsFile::RejectsFile(std::string path) : path_(std::move(path)) { Check(file_.Open(path_)); }

void RejectsFile::Check(const FileResult& result) const {
    if (result.Failed()) throw FileError("Cannot create file \"" + path_ + "\". " + result.Reason());
}

void RejectsFile::Flush() {
    Check(file_.Write(buffer_));
    written_ += buffer_.size();
    buffer_.clear();
}

void RejectsFile::Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) Flush();
}

void RejectsFile::TakeBackToMark() {
    if (mark_ >= written_) {
        buffer_.resize(mark_ - written_);
        return;
    }
    buffer_.clear();
    Check(file_.Temp().Truncate(mark_));
    written_ = mark_;
}

void RejectsFile::Commit() {
    Flush();
    Check(file_.CommitReplacing());
}

}  // namespace tabulora
