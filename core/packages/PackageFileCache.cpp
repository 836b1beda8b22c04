// The package folders' listings as the search holds them: each folder is
// listed once, into a hash table of its names upper-cased as the game
// compares them, so that every entry is answered with one look.

#include <algorithm>
#include <cstdint>

#include "core/common/UTSharedUtils1.h"
#include "core/packages/PackageSearch.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

// FNV-1a over the upper-cased bytes (a to z), then mixed so that the low
// bits, which pick the slot, depend on every byte: names that differ only in
// a few digits are the rule in a package folder.
std::uint64_t UpperHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : name) {
        hash = (hash ^ static_cast<unsigned char>(UpperAscii(c))) * 1099511628211ull;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
}

bool EqualUpper(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// A slot holds the upper half of its group's hash beside the group's number
// + 1 (0 for an empty slot), so that a name that is not there costs one
// look at the slots and no look at the groups.
std::uint64_t Slot(std::uint64_t hash, std::size_t group) {
    return (hash & 0xFFFFFFFF00000000ull) | (group + 1);
}

bool SlotHash(std::uint64_t slot, std::uint64_t hash) {
    return (slot ^ hash) >> 32 == 0;
}

std::size_t SlotGroup(std::uint64_t slot) {
    return static_cast<std::size_t>(slot & 0xFFFFFFFFu) - 1;
}

}  // namespace

void PackageFileCache::Listing::Hold(std::vector<platform::FolderEntry> entries) {
    // Twice as many slots as entries, a power of two: probes stay short.
    std::size_t size = 16;
    while (size < 2 * entries.size()) {
        size *= 2;
    }
    slots_.assign(size, 0);
    groups_.clear();
    std::vector<std::uint32_t> groupOf(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint64_t hash = UpperHash(entries[i].name);
        for (std::size_t at = hash & (size - 1);; at = (at + 1) & (size - 1)) {
            if (slots_[at] == 0) {
                groups_.push_back({static_cast<std::uint32_t>(i), 0});
                slots_[at] = Slot(hash, groups_.size() - 1);
                groupOf[i] = static_cast<std::uint32_t>(groups_.size() - 1);
                break;
            }
            const std::size_t group = SlotGroup(slots_[at]);
            if (SlotHash(slots_[at], hash) &&
                EqualUpper(entries[groups_[group].first].name, entries[i].name)) {
                groupOf[i] = static_cast<std::uint32_t>(group);
                break;
            }
        }
        ++groups_[groupOf[i]].count;
    }
    // Each group's spellings side by side, in order of spelling.
    std::uint32_t next = 0;
    for (Group& group : groups_) {
        group.first = next;
        next += group.count;
        group.count = 0;
    }
    entries_.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Group& group = groups_[groupOf[i]];
        entries_[group.first + group.count++] = std::move(entries[i]);
    }
    for (const Group& group : groups_) {
        if (group.count > 1) {
            auto begin = entries_.begin() + group.first;
            std::sort(begin, begin + group.count,
                      [](const platform::FolderEntry& a, const platform::FolderEntry& b) {
                          return a.name < b.name;
                      });
        }
    }
}

std::span<const platform::FolderEntry> PackageFileCache::Listing::Spellings(
    std::string_view name) const {
    if (slots_.empty()) {
        return {};
    }
    const std::uint64_t hash = UpperHash(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
        if (!SlotHash(slots_[at], hash)) {
            continue;
        }
        const Group& group = groups_[SlotGroup(slots_[at])];
        if (EqualUpper(entries_[group.first].name, name)) {
            return {entries_.data() + group.first, group.count};
        }
    }
    return {};
}

const PackageFileCache::Listing& PackageFileCache::ListingOf(const std::string& folder) {
    auto [it, inserted] = folders_.try_emplace(folder);
    if (inserted) {
        Listing& listing = it->second;
        std::vector<platform::FolderEntry> entries = platform::ListFolderEntries(folder);
        listing.entryCount = entries.size();
        listing.folderExists = !entries.empty() || platform::FolderExists(folder);
        listing.Hold(std::move(entries));
    }
    return it->second;
}

const PackageFileCache::Listing* PackageFileCache::HeldListingOf(const std::string& folder) const {
    auto it = folders_.find(folder);
    return it != folders_.end() ? &it->second : nullptr;
}

}  // namespace keelson
