#pragma once

#include <filesystem>

// A fresh folder under the system temporary directory, removed with everything in it on
// destruction. Non-copyable, movable.
class TemporaryFolder {
public:
    // Throws std::runtime_error when the folder cannot be made.
    explicit TemporaryFolder(const std::string& prefix);
    ~TemporaryFolder();

    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    TemporaryFolder(TemporaryFolder&& other) noexcept;
    TemporaryFolder& operator=(TemporaryFolder&& other) noexcept;

    const std::filesystem::path& path() const { return path_; }

private:
    void remove() noexcept;

    std::filesystem::path path_;
};
