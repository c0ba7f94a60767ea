#pragma once
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("tabulora-test-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // UTF-8 path of an entry in the folder.
    std::string operator/(const std::string& name) const {
        const std::u8string text = (path_ / std::filesystem::path(std::u8string(name.begin(), name.end()))).u8string();
        return std::string(text.begin(), text.end());
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = *this / name;
        std::ofstream(Native(path), std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(Native(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::filesystem::path Native(const std::string& utf8) {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    }
    // Names of the entries, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            const std::u8string name = entry.path().filename().u8string();
            names.emplace_back(name.begin(), name.end());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};
