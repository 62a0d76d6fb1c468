// A fresh directory for files a test creates, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TTempDirectory {
public:
    TTempDirectory() {
        // A name nobody else has taken: create_directory fails for an existing one.
        std::random_device random;
        do {
            path = std::filesystem::temp_directory_path() /
                   ("quorin-host-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path));
    }
    TTempDirectory(const TTempDirectory&) = delete;
    TTempDirectory& operator=(const TTempDirectory&) = delete;
    ~TTempDirectory() { std::filesystem::remove_all(path); }

    // Writes `bytes` to the file `name` in the directory and returns its full name.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string full = Name(name);
        std::ofstream(full, std::ios::binary) << bytes;
        return full;
    }
    std::string Name(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};
