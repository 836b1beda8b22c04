// Presets: a preset adds all of its packages or none of them.

#include <cstdio>

#include "fuzz/FuzzSupport.h"
#include "core/packages/SvPackFiles.h"

using namespace keelson;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string folder = fuzz::ScratchFolder();
    const std::string preset = folder + "/mod.ut_pre";
    const std::string ini = folder + "/System/UnrealTournament.ini";
    FILE* f = std::fopen(preset.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    PackageList list{"BotPack"};
    PresetResult result = LoadPreset(list, preset, [&] { return ini; });
    const std::size_t lines = SplitPresetLines(fuzz::Bytes(data, size)).size();
    if (result.kind == PresetResult::Kind::Added) {
        FUZZ_CHECK(lines >= 4);
        FUZZ_CHECK(list.Size() == 1 + lines - 3);
    } else {
        FUZZ_CHECK(list.Size() == 1);
    }
    return 0;
}
