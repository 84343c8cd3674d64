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

// A file below the folder that ctest names in `variable` (VM_SRC: the repository, VM_SHARED: the
// shared folder beside it); empty when the variable is missing.
inline std::string env_path(const char* variable, const std::string& relative) {
    const char* root = std::getenv(variable);
    if (root == nullptr || *root == '\0') return {};
    return host_path(std::string(root) + "/" + relative);
}

inline bool read_file(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace vmtest
