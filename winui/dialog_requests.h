#pragma once
#include <string>
#include <vector>

namespace winui {

// What the open, save and folder dialogs are asked to show.
struct FileFilter {
    std::wstring name;     // "JSON Files (*.json)"
    std::wstring pattern;  // "*.json"
};

struct OpenFilesRequest {
    std::vector<FileFilter> filters;  // the first one is selected
    std::wstring defaultExtension;    // without the dot
};

struct SaveFileRequest {
    std::vector<FileFilter> filters;  // the first one is selected
    std::wstring defaultExtension;
    std::wstring initialFileName;  // full path shown again, or empty
};

// What the user chose in the save dialog.
struct SavedFile {
    std::wstring path;
    size_t filterIndex = 0;  // into SaveFileRequest::filters: the file type picked
};

struct FolderRequest {
    std::wstring title;
    std::wstring okLabel;
    std::wstring initialFolder;  // opened at and shown as the name, or empty
};

}  // namespace winui
