#include "replica/TemporaryFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    // mkdtemp picks a name nobody else holds, so parallel test processes never share a folder.
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("не удалось создать временную папку: " +
                                 std::string(std::strerror(errno)));
    }
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    remove();
}

TemporaryFolder::TemporaryFolder(TemporaryFolder&& other) noexcept
    : path_(std::exchange(other.path_, {})) {}

TemporaryFolder& TemporaryFolder::operator=(TemporaryFolder&& other) noexcept {
    if (this != &other) {
        remove();
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

void TemporaryFolder::remove() noexcept {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}
