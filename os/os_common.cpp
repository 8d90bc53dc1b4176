// SPDX-License-Identifier: MIT
// The parts of the system layer that only differ by the separator.
#include "os.h"

namespace cep::os {

namespace {

std::size_t LastSeparator(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return i - 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string BareName(std::string_view path) {
    const std::size_t at = LastSeparator(path);
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string FolderOf(std::string_view path) {
    const std::size_t at = LastSeparator(path);
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || !IsSeparator(path.back())) path += kSeparator;
    path += name;
    return path;
}

}  // namespace cep::os
