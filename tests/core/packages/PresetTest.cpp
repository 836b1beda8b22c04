#include <gtest/gtest.h>

#include <filesystem>

#include "core/common/Errors.h"
#include "core/packages/SvPackFiles.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace keelson {
namespace {

using Names = std::vector<std::string>;
using Lines = std::vector<std::string_view>;

TEST(PresetLines, EveryLineEndCountsAndAFinalOneAddsNoLine) {
    EXPECT_EQ(SplitPresetLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitPresetLines("a\n"), (Lines{"a"}));
    EXPECT_EQ(SplitPresetLines("a\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitPresetLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitPresetLines("a\x1A"
                               "b\n"),
              (Lines{"a\x1A"
                     "b"}));  // no Ctrl-Z rule here
    EXPECT_EQ(SplitPresetLines(""), Lines{});
}

class Presets : public ::testing::Test {
  protected:
    void SetUp() override {
        ini = dir.Write("UT/System/UnrealTournament.ini",
                        "[Core.System]\nPaths=../System/*.u\nPaths=../Textures/*.utx\n\n");
        dir.Write("UT/System/CoolMod.u", "");
        dir.Write("UT/Textures/coolmodskins.utx", "");
    }
    PresetResult Load(std::string_view presetBytes) {
        return LoadPreset(list, dir.Write("presets/Cool Mod.ut_pre", presetBytes), [this] {
            ++asked;
            return ini;
        });
    }
    test::TempDir dir;
    std::string ini;
    PackageList list{"BotPack"};
    int asked = 0;
};

TEST_F(Presets, AddsEveryPackageWhenAllAreFoundEvenIfListed) {
    PresetResult result = Load(
        "Cool Mod\r\nfree text\r\nhttps://example.org/cool\r\nCoolMod\r\n"
        "CoolModSkins\r\nbotpack\r\n");
    dir.Write("UT/System/botpack.u", "");
    ASSERT_EQ(result.kind, PresetResult::Kind::MissingModification);  // botpack not there yet
    result = Load(
        "Cool Mod\r\nfree text\r\nhttps://example.org/cool\r\nCoolMod\r\nCoolModSkins\r\n"
        "botpack\r\n");
    ASSERT_EQ(result.kind, PresetResult::Kind::Added);
    EXPECT_EQ(result.added, 3u);
    Load("Cool Mod\n\n\nCoolMod");  // exactly four lines: one package
    EXPECT_EQ(list.Entries(), (Names{"BotPack", "CoolMod", "CoolModSkins", "botpack", "CoolMod"}));
}

TEST_F(Presets, OneMissingPackageAddsNothingAndNamesTheModification) {
    PresetResult result = Load("Cool Mod\nfree\n\nCoolMod\nNotInstalled\nCoolModSkins\n");
    EXPECT_EQ(result.kind, PresetResult::Kind::MissingModification);
    EXPECT_EQ(result.Problem().texts,
              (Names{"Cool Mod.ut_pre", "Cool Mod", std::string(kNoWebsiteText)}));
    EXPECT_EQ(kNoWebsiteText.front(), '<');
    EXPECT_EQ(kNoWebsiteText.back(), '>');

    // The texts are set anew each time.
    result = Load("Other\nfree\n  www.example.org  \nNope\n");
    EXPECT_EQ(result.Problem().texts, (Names{"Cool Mod.ut_pre", "Other", "  www.example.org  "}));

    // An empty package line is a package that no file has.
    EXPECT_EQ(Load("Cool Mod\nfree\n\nCoolMod\n\nCoolModSkins\n").kind,
              PresetResult::Kind::MissingModification);
    EXPECT_EQ(list.Entries(), Names{"BotPack"});
}

TEST_F(Presets, TooShortPresetsAreInvalidAndNeedNoSystemIni) {
    std::string path = dir.Write("Short.ut_pre", "Cool Mod\r\nfree\r\nCoolMod\r\n");
    PresetResult result = LoadPreset(list, path, [this] {
        ++asked;
        return ini;
    });
    EXPECT_EQ(result.kind, PresetResult::Kind::InvalidPreset);
    EXPECT_EQ(result.Problem().texts, Names{"Invalid preset file: " + path});
    EXPECT_EQ(Load("").kind, PresetResult::Kind::InvalidPreset);
    EXPECT_EQ(Load("\n\n\n").kind, PresetResult::Kind::InvalidPreset);  // three empty lines
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(list.Entries(), Names{"BotPack"});
}

TEST_F(Presets, NoFileNoSystemIniAndJunk) {
    PresetResult result = LoadPreset(list, dir.File("None.ut_pre"), [this] {
        ++asked;
        return ini;
    });
    EXPECT_EQ(result.kind, PresetResult::Kind::NothingDone);
    EXPECT_EQ(asked, 0);

    // No system INI (a cancelled prompt): every package counts as missing.
    result = LoadPreset(list, dir.Write("Ok.ut_pre", "Cool Mod\n\n\nCoolMod\n"),
                        [] { return std::string("<cancelled>"); });
    EXPECT_EQ(result.kind, PresetResult::Kind::MissingModification);

    std::string junk(1 << 16, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 7919) % 251);
    }
    EXPECT_NE(Load(junk).kind, PresetResult::Kind::Added);
    EXPECT_EQ(list.Entries(), Names{"BotPack"});

    EXPECT_EQ(LoadPreset(list, dir.Path(), [this] { return ini; }).kind,  // a folder
              PresetResult::Kind::NothingDone);
}

// The presets that travel beside the program: the same files as in the
// source, each one well formed, and the demo ones behaving as the demo game
// folder promises.
TEST(ShippedPresets, AreBesideTheProgramAndWellFormed) {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(KEELSON_SOURCE_DIR) / "presets";
    const fs::path beside = fs::path(KEELSON_CLI_PATH).parent_path() / "presets";
    std::size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
        SCOPED_TRACE(entry.path().string());
        ++count;
        EXPECT_EQ(entry.path().extension(), ".ut_pre");
        const std::string bytes = platform::ReadWholeFile(entry.path().string());
        EXPECT_EQ(platform::ReadWholeFile((beside / entry.path().filename()).string()), bytes);
        const std::vector<std::string_view> lines = SplitPresetLines(bytes);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_FALSE(lines[0].empty());
        for (std::size_t i = 3; i < lines.size(); ++i) {
            EXPECT_FALSE(lines[i].empty());
            EXPECT_EQ(lines[i].find_first_of(" \t./\\"), std::string_view::npos) << lines[i];
        }
    }
    EXPECT_GE(count, 5u);

    const std::string demoIni =
        (fs::path(KEELSON_SOURCE_DIR) / "demo" / "System" / "UnrealTournament.ini").string();
    PackageList list;
    EXPECT_EQ(
        LoadPreset(list, (source / "KeelsonDemoPack.ut_pre").string(), [&] { return demoIni; })
            .kind,
        PresetResult::Kind::Added);
    EXPECT_EQ(list.Entries(),
              (Names{"KeelsonDemoMutator", "KeelsonDemoSkins", "KeelsonDemoVoice"}));
    const PresetResult missing =
        LoadPreset(list, (source / "MissingMod.ut_pre").string(), [&] { return demoIni; });
    EXPECT_EQ(missing.kind, PresetResult::Kind::MissingModification);
    EXPECT_EQ(missing.website, kNoWebsiteText);
}

}  // namespace
}  // namespace keelson
