// The settings store's values file: a file that parses, rewritten with one
// value changed, parses to the same values but that one.

#include <cstdio>
#include <filesystem>

#include "fuzz/FuzzSupport.h"
#include "platform/posix/FileSettingsStore.h"

using namespace keelson;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string root = fuzz::ScratchFolder() + "/registry";
    std::filesystem::create_directories(root + "/Key");
    const std::string path = root + "/Key/values.reg";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    auto store = platform::OpenFileStore(root);
    auto key = store->Open("Key", platform::SettingsStore::Access::Full);
    FUZZ_CHECK(key != nullptr);
    static const char* kNames[] = {"UtBasePath", "ExitOnRunUT", "Folder", "", "A"};
    std::optional<platform::StoredValue> before[5];
    try {
        for (int i = 0; i < 5; ++i) {
            before[i] = key->Query(kNames[i]);
        }
    } catch (const std::exception&) {
        return 0;  // a file that does not parse is reported, not rewritten
    }
    const platform::StoredValue changed{platform::kRegSz, std::string("/srv/ut\0", 8)};
    FUZZ_CHECK(key->Set("UtBasePath", changed));
    auto again = store->Open("Key", platform::SettingsStore::Access::Full);
    FUZZ_CHECK(again->Query("UtBasePath") == changed);
    for (int i = 1; i < 5; ++i) {
        FUZZ_CHECK(again->Query(kNames[i]) == before[i]);
    }
    return 0;
}
