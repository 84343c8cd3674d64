// Locating repository files from unit tests, natively and under Wine.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace vmtest {

// A Unix path as a program under Wine can open it: Wine maps the host's root to drive Z:.
inline std::string host_path(std::string path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

// A file of the repository (ctest passes VM_SRC); empty when the variable is missing.
inline std::string source_path(const std::string& relative) {
    const char* src = std::getenv("VM_SRC");
    if (src == nullptr || *src == '\0') return {};
    return host_path(std::string(src) + "/" + relative);
}

// The shared folder beside the repository (VM_SHARED); empty when it is absent.
inline std::string shared_path(const std::string& relative) {
    const char* shared = std::getenv("VM_SHARED");
    if (shared == nullptr || *shared == '\0') return {};
    return host_path(std::string(shared) + "/" + relative);
}

inline bool read_file(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace vmtest
