#include "engine/file_io.h"

#include <system_error>

namespace tabulora {
namespace {

std::string ToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::filesystem::path NativePath(const std::string& utf8Path) {
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8Path.data()),
                                                    utf8Path.size()));
}

bool IsNameTaken(const std::string& utf8Path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(NativePath(utf8Path), error);
    // A name that cannot be looked at counts as free: writing to it then says what is wrong.
    return !error && status.type() != std::filesystem::file_type::not_found;
}

std::string FollowLinks(const std::string& utf8Path) {
    std::filesystem::path path = NativePath(utf8Path);
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) break;
        const std::filesystem::path link = std::filesystem::read_symlink(path, error);
        if (error) break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return ToUtf8(path);
}

ScratchFile::~ScratchFile() { Remove(); }

FileResult ScratchFile::Create(const std::string& path) {
    FileResult created = file_system::CreateNew(path, file_);
    if (!created.Failed()) path_ = path;
    return created;
}

FileResult ScratchFile::CreateUnnamed(const std::string& path) {
    bool named = false;
    FileResult created = file_system::CreateUnnamed(path, file_, named);
    if (!created.Failed()) {
        path_ = path;
        unnamed_ = !named;
    }
    return created;
}

FileResult ScratchFile::CreateAnonymous() {
    std::error_code folderError;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(folderError);
    for (int attempt = 0;; ++attempt) {
        const std::string path = file_system::TempPathBeside(ToUtf8(folder / "x"), file_system::RandomNumber());
        FileResult created = file_system::CreateHidden(path, file_);
        // Only a taken name is worth another try.
        if (!created.Failed() || !IsNameTaken(path) || attempt == 99) return created;
    }
}

FileResult ScratchFile::Write(std::string_view bytes) { return file_system::WriteAll(file_, bytes); }

FileResult ScratchFile::ReadAt(uint64_t offset, char* buffer, size_t size, size_t& got) {
    return file_system::ReadAt(file_, offset, buffer, size, got);
}

FileResult ScratchFile::Truncate(uint64_t size) { return file_system::Truncate(file_, size); }

FileResult ScratchFile::FlushToDisk() {
    return file_ != file_system::kNoFile ? file_system::FlushToDisk(file_) : file_system::FlushFileAt(path_);
}

FileResult ScratchFile::Close() {
    if (file_ == file_system::kNoFile) return {};
    const file_system::Handle file = file_;
    file_ = file_system::kNoFile;
    return file_system::Close(file);
}

FileResult ScratchFile::TakeName() {
    for (int attempt = 0; unnamed_; ++attempt) {
        FileResult named = file_system::GiveName(file_, path_);
        if (!named.Failed()) {
            unnamed_ = false;
        } else if (IsNameTaken(path_) && attempt < 100) {
            path_ = file_system::TempPathBeside(path_, file_system::RandomNumber());
        } else {
            return named;
        }
    }
    return {};
}

FileResult ScratchFile::CloseNamed() {
    if (FileResult named = TakeName(); named.Failed()) return named;
    return Close();
}

FileResult ScratchFile::Keep(std::string& path) {
    if (FileResult named = TakeName(); named.Failed()) return named;
    FileResult closed = Close();
    if (!closed.Failed()) {
        path = std::move(path_);
        path_.clear();
    }
    return closed;
}

void ScratchFile::Remove() {
    (void)Close();  // the file goes anyway
    if (unnamed_) {
        unnamed_ = false;
        path_.clear();
    }
    if (!path_.empty()) {
        std::error_code error;
        std::filesystem::remove(NativePath(path_), error);
        path_.clear();
    }
}

FileResult OutputFile::Open(const std::string& target) {
    resolved_ = FollowLinks(target);
    if (FileResult replaceable = file_system::CheckReplaceable(resolved_); replaceable.Failed())
        return Failed(std::move(replaceable));
    for (int attempt = 0;; ++attempt) {
        const std::string path = file_system::TempPathBeside(resolved_, file_system::RandomNumber());
        FileResult created = temp_.CreateUnnamed(path);
        if (!created.Failed()) return created;
        // Only a taken name is worth another try.
        if (!IsNameTaken(path) || attempt == 100) return Failed(std::move(created));
    }
}

FileResult OutputFile::Failed(FileResult failure) {
    temp_.Remove();
    return failure;
}

FileResult OutputFile::Write(std::string_view bytes) {
    FileResult written = temp_.Write(bytes);
    return written.Failed() ? Failed(std::move(written)) : written;
}

// The whole file reaches the disk before its name does: after a power cut the target holds the
// old content or the new one, never a short file.
FileResult OutputFile::Complete(std::string& temp) {
    if (FileResult flushed = temp_.FlushToDisk(); flushed.Failed()) return Failed(std::move(flushed));
    if (FileResult kept = temp_.Keep(temp); kept.Failed()) return Failed(std::move(kept));
    return {};
}

FileResult OutputFile::CommitReplacing() {
    std::string temp;
    if (FileResult completed = Complete(temp); completed.Failed()) return completed;
    FileResult moved = file_system::MoveReplacing(temp, resolved_);
    if (moved.Failed()) {
        std::error_code ignored;
        std::filesystem::remove(NativePath(temp), ignored);
    } else {
        file_system::FlushFolderOf(resolved_);
    }
    return moved;
}

FileResult OutputFile::CommitAsNew(const std::function<std::string()>& nextName, std::string& name) {
    std::string temp;
    if (FileResult completed = Complete(temp); completed.Failed()) return completed;
    for (name = resolved_;; name = nextName()) {
        bool nameTaken = false;
        FileResult moved = file_system::MoveToFreeName(temp, name, nameTaken);
        if (nameTaken) continue;
        if (moved.Failed()) {
            std::error_code ignored;
            std::filesystem::remove(NativePath(temp), ignored);
        } else {
            file_system::FlushFolderOf(name);
        }
        return moved;
    }
}

}  // namespace tabulora
