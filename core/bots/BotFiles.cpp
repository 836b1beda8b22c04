#include "core/bots/BotFiles.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

struct KeyName {
    BotKey key;
    std::string_view upper;  // without the "["
};

// Every key name, upper-cased, for recognising lines.
constexpr std::array<KeyName, 14> kKeyNames{{
    {BotKey::Name, "BOTNAMES"},
    {BotKey::Face, "BOTFACES"},
    {BotKey::Skin, "BOTSKINS"},
    {BotKey::Class, "BOTCLASSES"},
    {BotKey::FavoriteWeapon, "FAVORITEWEAPON"},
    {BotKey::Voice, "VOICETYPE"},
    {BotKey::Accuracy, "BOTACCURACY"},
    {BotKey::CombatStyle, "COMBATSTYLE"},
    {BotKey::StrafingAbility, "STRAFINGABILITY"},
    {BotKey::Camping, "CAMPING"},
    {BotKey::Skill, "BOTSKILLS"},
    {BotKey::Alertness, "ALERTNESS"},
    {BotKey::Team, "BOTTEAMS"},
    {BotKey::Jumpy, "BOTJUMPY"},
}};

// The groups of lines that the writer produces, in their order and spelling.
constexpr std::array<KeyName, 14> kWrittenKeys{{
    {BotKey::Face, "BotFaces"},
    {BotKey::Name, "BotNames"},
    {BotKey::Team, "BotTeams"},
    {BotKey::Class, "BotClasses"},
    {BotKey::Skin, "BotSkins"},
    {BotKey::Voice, "VoiceType"},
    {BotKey::Skill, "BotSkills"},
    {BotKey::Accuracy, "BotAccuracy"},
    {BotKey::CombatStyle, "CombatStyle"},
    {BotKey::Alertness, "Alertness"},
    {BotKey::Camping, "Camping"},
    {BotKey::StrafingAbility, "StrafingAbility"},
    {BotKey::FavoriteWeapon, "FavoriteWeapon"},
    {BotKey::Jumpy, "BotJumpy"},
}};

// The longest key name and its "[".
constexpr std::size_t kLongestKey = 16;

// The key whose name, followed by "[", begins the line. A key name holds no
// "[", so the line's first "[" must directly follow it.
std::optional<BotKey> KeyBeforeBracket(std::string_view line, std::size_t& bracket) {
    std::size_t limit = line.size() < kLongestKey ? line.size() : kLongestKey;
    std::size_t at = 0;
    while (at < limit && line[at] != '[') {
        ++at;
    }
    if (at == limit) {
        return std::nullopt;
    }
    bracket = at;
    std::string_view name = line.substr(0, at);
    for (const KeyName& k : kKeyNames) {
        if (k.upper.size() == name.size() && EqualsUpper(name, k.upper)) {
            return k.key;
        }
    }
    return std::nullopt;
}

// Most lines are not the header; their length tells at once.
bool IsBotSectionHeader(std::string_view line) {
    return line.size() == kBotSectionHeader.size() && EqualsUpper(line, kBotSectionHeader);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text or float field that a key sets, or nothing for Team and Jumpy.
template <class Bot>
auto TextField(Bot& bot, BotKey key) -> decltype(&bot.Name) {
    switch (key) {
        case BotKey::Name:
            return &bot.Name;
        case BotKey::FavoriteWeapon:
            return &bot.FavoriteWeapon;
        case BotKey::Class:
            return &bot.Class;
        case BotKey::Skin:
            return &bot.Skin;
        case BotKey::Face:
            return &bot.Face;
        case BotKey::Voice:
            return &bot.Voice;
        default:
            return nullptr;
    }
}

template <class Bot>
auto FloatField(Bot& bot, BotKey key) -> decltype(&bot.Skill) {
    switch (key) {
        case BotKey::Skill:
            return &bot.Skill;
        case BotKey::Accuracy:
            return &bot.Accuracy;
        case BotKey::CombatStyle:
            return &bot.CombatStyle;
        case BotKey::Alertness:
            return &bot.Alertness;
        case BotKey::Camping:
            return &bot.Camping;
        case BotKey::StrafingAbility:
            return &bot.StrafingAbility;
        default:
            return nullptr;
    }
}

// A value as one line of the INI: a line break or Ctrl-Z inside a text
// would end the line (or the file) early and put the rest of the text into
// the game's file as lines of its own, so each becomes a space.
void AppendValueText(std::string& out, std::string_view value) {
    std::size_t start = out.size();
    out.append(value);
    for (std::size_t i = start; i < out.size(); ++i) {
        if (out[i] == '\r' || out[i] == '\n' || out[i] == '\x1A') {
            out[i] = ' ';
        }
    }
}

// The game would read "nan" and "inf" as such; a library may hold them
// (its records are raw floats), so they are written as the nearest value the
// sliders allow (-1 to 1), NaN as 0. Finite values stand as they are.
float FiniteForIni(float value) {
    if (std::isnan(value)) {
        return 0.0f;
    }
    if (std::isinf(value)) {
        return value > 0 ? 1.0f : -1.0f;
    }
    return value;
}

void AppendValue(std::string& out, const TBotRecord& bot, BotKey key) {
    if (const BotText* text = TextField(bot, key)) {
        AppendValueText(out, text->View());
    } else if (const float* value = FloatField(bot, key)) {
        out.append(FloatToFixedText(FiniteForIni(*value)));
    } else if (key == BotKey::Team) {
        out.append(std::to_string(static_cast<unsigned>(bot.Team)));
    } else {
        out.append(bot.Jumpy != 0 ? "1" : "0");
    }
}

// The 448 key lines of the 32 slots, each followed by CR LF.
void AppendBotLines(std::string& out, const TBotSlotTable& slots) {
    for (const KeyName& k : kWrittenKeys) {
        for (std::size_t slot = 0; slot < slots.size(); ++slot) {
            out.append(k.upper);
            out.push_back('[');
            out.append(std::to_string(slot));
            out.append("]=");
            AppendValue(out, slots[slot], k.key);
            out.append("\r\n");
        }
    }
}

void PutU32(unsigned char* out, std::uint32_t v) {
    out[0] = static_cast<unsigned char>(v);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v >> 16);
    out[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t GetU32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

void PutFloat(unsigned char* out, float v) {
    PutU32(out, std::bit_cast<std::uint32_t>(v));
}
float GetFloat(const unsigned char* in) {
    return std::bit_cast<float>(GetU32(in));
}

void PutText(unsigned char* out, const BotText& text) {
    out[0] = static_cast<unsigned char>(text.size());
    std::memcpy(out + 1, text.View().data(), text.size());
}

BotText GetText(const unsigned char* in) {
    return BotText(std::string_view(reinterpret_cast<const char*>(in + 1), in[0]));
}

// Offsets of the fields in a library record.
constexpr std::size_t kNameAt = 0;
constexpr std::size_t kTeamAt = 256;
constexpr std::size_t kSkillAt = 260;
constexpr std::size_t kAccuracyAt = 264;
constexpr std::size_t kCombatStyleAt = 268;
constexpr std::size_t kAlertnessAt = 272;
constexpr std::size_t kCampingAt = 276;
constexpr std::size_t kStrafingAbilityAt = 280;
constexpr std::size_t kFavoriteWeaponAt = 284;
constexpr std::size_t kClassAt = 540;
constexpr std::size_t kSkinAt = 796;
constexpr std::size_t kFaceAt = 1052;
constexpr std::size_t kVoiceAt = 1308;
constexpr std::size_t kJumpyAt = 1564;

}  // namespace

std::optional<BotKeyLine> ParseBotKeyLine(std::string_view line) {
    std::size_t bracket = 0;
    std::optional<BotKey> key = KeyBeforeBracket(line, bracket);
    if (!key) {
        return std::nullopt;
    }
    // The slot: "0" to "31", no leading zeros, then "]=".
    std::size_t i = bracket + 1;
    if (i >= line.size() || !IsDigit(line[i])) {
        return std::nullopt;
    }
    int slot = line[i] - '0';
    ++i;
    if (slot != 0 && i < line.size() && IsDigit(line[i])) {
        slot = slot * 10 + (line[i] - '0');
        ++i;
        if (slot >= static_cast<int>(kGameSlots)) {
            return std::nullopt;
        }
    }
    if (line.size() - i < 2 || line[i] != ']' || line[i + 1] != '=') {
        return std::nullopt;
    }
    return BotKeyLine{*key, slot, line.substr(i + 2, BotText::kCapacity)};
}

bool IsBotKeyLine(std::string_view line) {
    std::size_t bracket = 0;
    return KeyBeforeBracket(line, bracket).has_value();
}

void SetBotField(TBotRecord& bot, BotKey key, std::string_view value) {
    value = value.substr(0, BotText::kCapacity);
    if (BotText* text = TextField(bot, key)) {
        text->Assign(value);
    } else if (float* number = FloatField(bot, key)) {
        *number = StrToFloatOrZero(value);
    } else if (key == BotKey::Team) {
        // The low 8 bits: -1 is 255, 256 is 0.
        bot.Team =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(StrToIntOrZero(value)) & 0xFFu);
    } else {
        bot.Jumpy = (!value.empty() && value[0] == '0') ? 0 : 1;
    }
}

namespace {

std::optional<std::string> Rewrite(std::string_view text, const TBotSlotTable& slots) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 448 * 48);
    bool inSection = false;
    bool written = false;
    out.append(LeadingBom(text));
    ForEachGameTextLine(text, [&](std::string_view line, bool) {
        if (!written && IsBotSectionHeader(line)) {
            inSection = true;
        } else if (inSection && line.empty()) {
            AppendBotLines(out, slots);
            written = true;
            inSection = false;
        }
        if (!inSection || !IsBotKeyLine(line)) {
            out.append(line);
            out.append("\r\n");
        }
        return true;
    });
    if (inSection) {
        // The section runs to the end of the text (as in the game's own
        // stock user INI): its lines go at the end.
        AppendBotLines(out, slots);
        written = true;
    }
    if (!written) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

TBotSlotTable ReadUserIniBotSlots(std::string_view text) {
    TBotSlotTable slots;
    slots.fill(DefaultBot);
    enum { BeforeHeader, InSection } state = BeforeHeader;
    ForEachGameTextLine(text, [&](std::string_view line, bool) {
        if (state == BeforeHeader) {
            if (IsBotSectionHeader(line)) {
                state = InSection;
            }
            return true;
        }
        // The section runs to the first empty line or to the end of the text.
        if (line.empty()) {
            return false;
        }
        if (std::optional<BotKeyLine> k = ParseBotKeyLine(line)) {
            SetBotField(slots[static_cast<std::size_t>(k->slot)], k->key, k->value);
        }
        return true;
    });
    return slots;
}

std::optional<std::string> RewriteUserIniBots(std::string_view text, const TBotSlotTable& slots) {
    return Rewrite(text, slots);
}

std::optional<ContentProblem> WriteUserIniBots(const TBotSlotTable& slots,
                                               const std::string& path) {
    platform::FileLock lock(path);  // from the read to the rewrite
    std::string bytes = platform::ReadWholeFile(path);
    std::optional<std::string> out = Rewrite(bytes, slots);
    if (!out) {
        return ContentProblem{{std::string(kNotUtIniMessage)}};
    }
    bytes = std::string();  // the old text is no longer needed while writing
    platform::WriteFileAtomically(path, *out, platform::CreateFailure::CannotCreateFile);
    return std::nullopt;
}

void EncodeBotRecord(const TBotRecord& bot, unsigned char* out) {
    std::memset(out, 0, kBotRecordSize);
    PutText(out + kNameAt, bot.Name);
    out[kTeamAt] = bot.Team;
    PutFloat(out + kSkillAt, bot.Skill);
    PutFloat(out + kAccuracyAt, bot.Accuracy);
    PutFloat(out + kCombatStyleAt, bot.CombatStyle);
    PutFloat(out + kAlertnessAt, bot.Alertness);
    PutFloat(out + kCampingAt, bot.Camping);
    PutFloat(out + kStrafingAbilityAt, bot.StrafingAbility);
    PutText(out + kFavoriteWeaponAt, bot.FavoriteWeapon);
    PutText(out + kClassAt, bot.Class);
    PutText(out + kSkinAt, bot.Skin);
    PutText(out + kFaceAt, bot.Face);
    PutText(out + kVoiceAt, bot.Voice);
    out[kJumpyAt] = bot.Jumpy;
}

void ThrowIncompleteLibrary() {
    throw FileError(SystemErrorText(kReadBeyondEndOfFile));
}

namespace {

// Records per read: large enough for few system calls, small enough to
// stay in the cache.
constexpr std::size_t kChunkRecords = 64;

}  // namespace

struct BotLibraryReader::File {
    explicit File(const std::string& path) : reader(path) {}
    platform::FileReader reader;
};

BotLibraryReader::BotLibraryReader(const std::string& path) : file_(std::make_unique<File>(path)) {
    const std::uint64_t size = file_->reader.Size();
    count_ = static_cast<std::size_t>(size / kBotRecordSize);
    incomplete_ = size % kBotRecordSize != 0;
}

BotLibraryReader::~BotLibraryReader() = default;

bool BotLibraryReader::Next(TBotRecord& bot) {
    if (chunkNext_ == chunkRecords_) {
        const std::size_t wanted = std::min(kChunkRecords, count_ - delivered_);
        if (wanted == 0) {
            return false;
        }
        chunk_.resize(kChunkRecords * kBotRecordSize);
        const std::size_t bytes = wanted * kBotRecordSize;
        const std::size_t got = file_->reader.Read(reinterpret_cast<char*>(chunk_.data()), bytes);
        chunkRecords_ = got / kBotRecordSize;
        chunkNext_ = 0;
        if (got < bytes) {
            // Cut short since it was opened: what is there, then the error.
            incomplete_ = true;
            count_ = delivered_ + chunkRecords_;
        }
        if (chunkRecords_ == 0) {
            return false;
        }
    }
    DecodeBotRecord(chunk_.data() + chunkNext_ * kBotRecordSize, bot);
    ++chunkNext_;
    ++delivered_;
    return true;
}

void BotLibraryReader::ReadAt(std::size_t index, TBotRecord& bot) {
    unsigned char record[kBotRecordSize];
    file_->reader.Seek(static_cast<std::uint64_t>(index) * kBotRecordSize);
    if (file_->reader.Read(reinterpret_cast<char*>(record), kBotRecordSize) != kBotRecordSize) {
        ThrowIncompleteLibrary();
    }
    // Next goes on from where it was.
    chunkRecords_ = chunkNext_ = 0;
    file_->reader.Seek(static_cast<std::uint64_t>(delivered_) * kBotRecordSize);
    DecodeBotRecord(record, bot);
}

std::size_t ForEachLibraryBot(const std::string& path,
                              const std::function<void(const TBotRecord&)>& each) {
    BotLibraryReader reader(path);
    TBotRecord bot;
    std::size_t given = 0;
    while (reader.Next(bot)) {
        each(bot);
        ++given;
    }
    if (reader.Incomplete()) {
        ThrowIncompleteLibrary();
    }
    return given;
}

std::size_t AppendBotToLibrary(const TBotRecord& bot, const std::string& path) {
    unsigned char record[kBotRecordSize];
    EncodeBotRecord(bot, record);
    const std::string_view bytes(reinterpret_cast<const char*>(record), kBotRecordSize);
    if (!platform::FileExists(path)) {
        platform::WriteFileAtomically(path, bytes, platform::CreateFailure::SystemWording);
        return 0;
    }
    std::size_t index = 0;
    platform::AppendToFile(path, bytes, [&](std::uint64_t size) {
        if (size % kBotRecordSize != 0) {
            ThrowIncompleteLibrary();
        }
        index = static_cast<std::size_t>(size / kBotRecordSize);
    });
    return index;
}

bool LibraryFileHolds(const std::string& path, std::string_view image) {
    platform::FileReader file(path);
    if (file.Size() != image.size()) {
        return false;
    }
    std::vector<char> chunk(kChunkRecords * kBotRecordSize);
    for (std::size_t at = 0;;) {
        const std::size_t got = file.Read(chunk.data(), chunk.size());
        if (got == 0) {
            return at == image.size();
        }
        if (image.size() - at < got || image.compare(at, got, chunk.data(), got) != 0) {
            return false;
        }
        at += got;
    }
}

TBotRecord DecodeBotRecord(const unsigned char* in) {
    TBotRecord bot;
    DecodeBotRecord(in, bot);
    return bot;
}

void DecodeBotRecord(const unsigned char* in, TBotRecord& bot) {
    bot.Name = GetText(in + kNameAt);
    bot.Team = in[kTeamAt];
    bot.Skill = GetFloat(in + kSkillAt);
    bot.Accuracy = GetFloat(in + kAccuracyAt);
    bot.CombatStyle = GetFloat(in + kCombatStyleAt);
    bot.Alertness = GetFloat(in + kAlertnessAt);
    bot.Camping = GetFloat(in + kCampingAt);
    bot.StrafingAbility = GetFloat(in + kStrafingAbilityAt);
    bot.FavoriteWeapon = GetText(in + kFavoriteWeaponAt);
    bot.Class = GetText(in + kClassAt);
    bot.Skin = GetText(in + kSkinAt);
    bot.Face = GetText(in + kFaceAt);
    bot.Voice = GetText(in + kVoiceAt);
    bot.Jumpy = in[kJumpyAt];
}

}  // namespace keelson
