#include "core/bots/BotLibrary.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/bots/TBigKegOBotsDefine.h"
#include "core/common/Errors.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

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
constexpr std::size_t kTextBytes = 256;  // the length byte, then up to 255 bytes

}  // namespace

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

namespace {

// Calls filler(from, to) for each run of bytes that EncodeBotRecord leaves
// zero: behind each text, and the filler; stops at the first that says so.
template <typename Filler>
void ForEachFiller(const unsigned char* record, Filler filler) {
    for (std::size_t at : {kNameAt, kFavoriteWeaponAt, kClassAt, kSkinAt, kFaceAt, kVoiceAt}) {
        if (filler(at + 1 + record[at], at + kTextBytes)) {
            return;
        }
    }
    if (!filler(kTeamAt + 1, kSkillAt)) {
        filler(kJumpyAt + 1, kBotRecordSize);
    }
}

// Nearly every record is clean already: records are looked at before any is
// written, with the library's own fast comparison.
bool IsZero(const unsigned char* bytes, std::size_t from, std::size_t to) {
    static constexpr unsigned char kZeros[kBotRecordSize] = {};
    return from >= to || std::memcmp(bytes + from, kZeros, to - from) == 0;
}

bool IsCleanBotRecord(const unsigned char* record) {
    bool clean = true;
    ForEachFiller(record, [&](std::size_t from, std::size_t to) {
        clean = IsZero(record, from, to);
        return !clean;
    });
    return clean;
}

}  // namespace

bool NormaliseBotRecord(unsigned char* record) {
    bool changed = false;
    ForEachFiller(record, [&](std::size_t from, std::size_t to) {
        if (!IsZero(record, from, to)) {
            std::memset(record + from, 0, to - from);
            changed = true;
        }
        return false;
    });
    return changed;
}

namespace {

std::string_view RecordName(const unsigned char* record) {
    return {reinterpret_cast<const char*>(record + kNameAt + 1), record[kNameAt]};
}

}  // namespace

SortedRecords SortLibraryRecords(const unsigned char* image, std::size_t records) {
    auto recordAt = [image](std::size_t i) { return image + i * kBotRecordSize; };
    // Records with stray bytes are written as cleaned copies; the image
    // itself is never written.
    std::vector<std::uint32_t> unclean;
    for (std::size_t i = 0; i < records; ++i) {
        if (!IsCleanBotRecord(recordAt(i))) {
            unclean.push_back(static_cast<std::uint32_t>(i));
        }
    }
    // The sort runs on the first eight upper-cased bytes of each name, held
    // beside the record's number, so that it stays in the cache; only names
    // that agree on those bytes look at the records again. Cleaning leaves
    // the names as they are.
    struct Entry {
        std::uint64_t prefix;
        std::uint32_t index;
        std::uint8_t length;
    };
    std::vector<Entry> entries(records);
    for (std::size_t i = 0; i < records; ++i) {
        std::string_view name = RecordName(recordAt(i));
        entries[i] = {BotNamePrefix(name), static_cast<std::uint32_t>(i),
                      static_cast<std::uint8_t>(name.size())};
    }
    auto before = [&](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) {
            return a.prefix < b.prefix;
        }
        // With equal prefixes a name of up to eight bytes is a prefix of the
        // other name, so the shorter one comes first.
        if (a.length <= 8 || b.length <= 8) {
            if (a.length != b.length) {
                return a.length < b.length;
            }
        } else if (int c = CompareBotNameTexts(RecordName(recordAt(a.index)),
                                               RecordName(recordAt(b.index)));
                   c != 0) {
            return c < 0;
        }
        return a.index < b.index;  // equal names keep their order
    };
    std::sort(entries.begin(), entries.end(), before);
    bool moved = false;
    for (std::size_t k = 0; k < records && !moved; ++k) {
        moved = entries[k].index != k;
    }
    SortedRecords sorted;
    if (!moved && unclean.empty()) {
        return sorted;  // nothing would change
    }
    sorted.cleaned.resize(unclean.size() * kBotRecordSize);
    std::vector<const unsigned char*> from(records);
    for (std::size_t i = 0; i < records; ++i) {
        from[i] = recordAt(i);
    }
    for (std::size_t k = 0; k < unclean.size(); ++k) {
        unsigned char* copy = sorted.cleaned.data() + k * kBotRecordSize;
        std::memcpy(copy, recordAt(unclean[k]), kBotRecordSize);
        NormaliseBotRecord(copy);
        from[unclean[k]] = copy;
    }
    sorted.records.reserve(records);
    for (const Entry& entry : entries) {
        sorted.records.emplace_back(reinterpret_cast<const char*>(from[entry.index]),
                                    kBotRecordSize);
    }
    return sorted;
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

void EncodeLibrary(const TBigKegOBots& roster, unsigned char* out) {
    for (int i = 0; i < roster.Count(); ++i, out += kBotRecordSize) {
        EncodeBotRecord(roster.Bot(i), out);
    }
}

std::string EncodeLibrary(const TBigKegOBots& roster) {
    std::string image(static_cast<std::size_t>(roster.Count()) * kBotRecordSize, '\0');
    EncodeLibrary(roster, reinterpret_cast<unsigned char*>(image.data()));
    return image;
}

bool DecodeLibrary(std::string_view bytes, TBigKegOBots& roster) {
    const std::size_t complete = bytes.size() / kBotRecordSize;
    std::vector<std::unique_ptr<TBotRecord>> bots;
    bots.reserve(complete);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < complete; ++i, in += kBotRecordSize) {
        bots.push_back(std::make_unique<TBotRecord>(DecodeBotRecord(in)));
    }
    roster.AppendAll(std::move(bots));
    return bytes.size() % kBotRecordSize == 0;
}

}  // namespace keelson
