#include "core/bots/TBigKegOBotsDefine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>

#include "core/bots/BotFiles.h"
#include "core/bots/BotLibrary.h"
#include "core/common/Errors.h"
#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

void TBigKegOBots::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) {
        throw ListIndexError(index);
    }
}

void TBigKegOBots::GetBot(int index, TBotRecord& out) const {
    out = Bot(index);
}

const TBotRecord& TBigKegOBots::Bot(int index) const {
    CheckIndex(index);
    return *bots_[static_cast<std::size_t>(index)];
}

void TBigKegOBots::SetBot(int index, const TBotRecord& bot) {
    CheckIndex(index);
    *bots_[static_cast<std::size_t>(index)] = bot;
}

int TBigKegOBots::AddBot(const TBotRecord& bot) {
    auto copy = std::make_unique<TBotRecord>(bot);
    bots_.push_back(std::move(copy));
    return Count() - 1;
}

void TBigKegOBots::DeleteBot(int index) {
    CheckIndex(index);
    bots_.erase(bots_.begin() + index);
    // Give back reserved storage once it is well above what the roster holds.
    if (bots_.capacity() > 2 * bots_.size() + 32) {
        bots_.shrink_to_fit();
    }
}

void TBigKegOBots::ClearBots() {
    bots_.clear();
    bots_.shrink_to_fit();
}

void TBigKegOBots::AppendAll(std::vector<std::unique_ptr<TBotRecord>> bots) {
    std::size_t needed = bots_.size() + bots.size();
    if (needed > bots_.capacity()) {
        bots_.reserve(std::max(needed, 2 * bots_.capacity()));
    }
    for (auto& bot : bots) {
        bots_.push_back(std::move(bot));  // no reallocation: cannot fail
    }
}

void TBigKegOBots::SortByName() {
    // Sorting on the first eight upper-cased bytes of each name, held beside
    // the index, keeps the sort in the cache; only names that agree on those
    // bytes look at the records again.
    struct Entry {
        std::uint64_t prefix;
        std::uint32_t index;
        std::uint8_t length;
    };
    std::vector<Entry> entries(bots_.size());
    for (std::size_t i = 0; i < bots_.size(); ++i) {
        std::string_view name = bots_[i]->Name.View();
        entries[i] = {BotNamePrefix(name), static_cast<std::uint32_t>(i),
                      static_cast<std::uint8_t>(name.size())};
    }
    auto before = [this](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) {
            return a.prefix < b.prefix;
        }
        // With equal prefixes a name of up to eight bytes is a prefix of the
        // other name, so the shorter one comes first.
        if (a.length <= 8 || b.length <= 8) {
            if (a.length != b.length) {
                return a.length < b.length;
            }
        } else if (int c = CompareBotNames(*bots_[a.index], *bots_[b.index]); c != 0) {
            return c < 0;
        }
        return a.index < b.index;  // equal names keep their order
    };
    std::sort(entries.begin(), entries.end(), before);
    std::vector<std::unique_ptr<TBotRecord>> sorted;
    sorted.reserve(bots_.size());
    for (const Entry& e : entries) {
        sorted.push_back(std::move(bots_[e.index]));
    }
    bots_ = std::move(sorted);
}

namespace {

void FillPlaceholders(TBotSlotTable& out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = DefaultBot;
        out[i].Name = "Bot_" + std::to_string(i + 1);
    }
}

}  // namespace

std::mt19937 GameSlotRandom() {
    static std::atomic<std::uint32_t> calls{0};
    auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
                       calls++};
    return std::mt19937(seed);
}

std::vector<std::size_t> DrawGameSlotBots(std::size_t count, std::mt19937& random) {
    // The last slot first, each from the bots not placed yet: the r-th of
    // those is r plus the number of placed bots at or below it. Only the
    // drawn indices are held, whatever the number of bots.
    const std::size_t filled = std::min(count, kGameSlots);
    std::vector<std::size_t> slots(filled);
    std::vector<std::size_t> placed;  // ascending
    placed.reserve(filled);
    for (std::size_t s = filled; s-- > 0;) {
        std::uniform_int_distribution<std::size_t> pick(0, count - placed.size() - 1);
        std::size_t index = pick(random);
        auto at = placed.begin();
        for (; at != placed.end() && *at <= index; ++at) {
            ++index;
        }
        placed.insert(at, index);
        slots[s] = index;
    }
    return slots;
}

void TBigKegOBots::FillGameSlots(TBotSlotTable& out) const {
    std::mt19937 random = GameSlotRandom();
    FillGameSlots(out, random);
}

void TBigKegOBots::FillGameSlots(TBotSlotTable& out, std::mt19937& random) const {
    FillPlaceholders(out);
    std::vector<std::size_t> drawn = DrawGameSlotBots(bots_.size(), random);
    for (std::size_t s = 0; s < drawn.size(); ++s) {
        out[s] = *bots_[drawn[s]];
    }
}

std::size_t FillGameSlotsFromLibrary(const std::string& path, TBotSlotTable& out) {
    std::mt19937 random = GameSlotRandom();
    return FillGameSlotsFromLibrary(path, out, random);
}

std::size_t FillGameSlotsFromLibrary(const std::string& path, TBotSlotTable& out,
                                     std::mt19937& random) {
    BotLibraryReader library(path);
    if (library.Incomplete()) {
        ThrowIncompleteLibrary();
    }
    std::vector<std::size_t> drawn = DrawGameSlotBots(library.Count(), random);
    TBotSlotTable slots;
    FillPlaceholders(slots);
    for (std::size_t s = 0; s < drawn.size(); ++s) {
        library.ReadAt(drawn[s], slots[s]);
    }
    out = slots;
    return library.Count();
}

void TBigKegOBots::ImportUserIni(const std::string& path) {
    TBotSlotTable slots = ReadUserIniBotSlots(platform::ReadWholeFile(path));
    std::vector<std::unique_ptr<TBotRecord>> bots;
    bots.reserve(slots.size());
    for (const TBotRecord& slot : slots) {
        bots.push_back(std::make_unique<TBotRecord>(slot));
    }
    AppendAll(std::move(bots));
}

void TBigKegOBots::SaveToFile(const std::string& path) const {
    // Every byte of the image is written by the encoder, so it starts
    // uninitialised: a large library is not walked through twice.
    std::size_t size = bots_.size() * kBotRecordSize;
    auto image = std::make_unique_for_overwrite<unsigned char[]>(size == 0 ? 1 : size);
    EncodeLibrary(*this, image.get());
    platform::WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(image.get()), size),
        platform::CreateFailure::SystemWording, platform::GameFile::Library);
}

void TBigKegOBots::AppendFromFile(const std::string& path) {
    // The library is only read, so a read-only file opens as well. Records
    // go straight from a small buffer into the roster's own storage.
    BotLibraryReader library(path);
    std::vector<std::unique_ptr<TBotRecord>> bots;
    bots.reserve(library.Count());
    for (;;) {
        auto bot = std::make_unique<TBotRecord>();
        if (!library.Next(*bot)) {
            break;
        }
        bots.push_back(std::move(bot));
    }
    AppendAll(std::move(bots));
    if (library.Incomplete()) {
        ThrowIncompleteLibrary();
    }
}

}  // namespace keelson
