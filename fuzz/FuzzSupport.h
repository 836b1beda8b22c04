#pragma once
// What the fuzz targets share: a failed property aborts, so that libFuzzer
// keeps the input that broke it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace keelson::fuzz {

inline std::string_view Bytes(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of its own for targets that need files, made once per process.
std::string ScratchFolder();

}  // namespace keelson::fuzz
