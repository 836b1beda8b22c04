// Package files: the reader never asks for a byte outside the file, and a
// package that it accepts, written again from what it read, reads back the
// same.

#include <cstring>

#include "core/packages/PackageFile.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/PackageBuilder.h"

using namespace keelson;

namespace {

PackageInfo Parse(std::string_view bytes) {
    return ParsePackage(bytes.size(), [&](std::uint64_t at, char* into, std::size_t size) {
        FUZZ_CHECK(at < bytes.size() && size <= bytes.size() - at);
        std::memcpy(into, bytes.data() + at, size);
        return size;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    PackageInfo info;
    try {
        info = Parse(fuzz::Bytes(data, size));
    } catch (const PackageFormatError&) {
        return 0;
    }
    const std::string again = test::PackageBytes(info);
    PackageInfo back;
    try {
        back = Parse(again);
    } catch (const PackageFormatError& e) {
        std::fprintf(stderr, "written again: %s\n", e.what());
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(back == info);
    return 0;
}
