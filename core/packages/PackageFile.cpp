#include "core/packages/PackageFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "core/common/UTSharedUtils1.h"
#include "platform/FileSystem.h"

namespace keelson {

namespace {

constexpr std::uint32_t kPackageTag = 0x9E2A83C1;
// From version 64 on a name is written with its length; from 68 on the
// header holds the GUID and the generations instead of the heritage table.
constexpr std::uint16_t kLengthPrefixedNames = 64;
constexpr std::uint16_t kGenerationsHeader = 68;
constexpr std::uint64_t kOldHeaderSize = 44;
constexpr std::uint64_t kNewHeaderSize = 56;
constexpr std::int32_t kMaxNameBytes = 64;  // the NUL included
// The fewest bytes that an entry of each table can take, which bounds the
// counts that a file of a given size can hold.
constexpr std::uint64_t kMinNameBytes = 6;     // one character, NUL, flags
constexpr std::uint64_t kMinImportBytes = 7;   // three compact indices, outer
constexpr std::uint64_t kMinExportBytes = 12;  // four compact indices, outer, flags
constexpr std::size_t kChunk = 16384;

[[noreturn]] void Damaged(const std::string& what) {
    throw PackageFormatError("damaged: " + what);
}

[[noreturn]] void Truncated(std::string_view table) {
    throw PackageFormatError("truncated: " + std::string(table) +
                             " lies beyond the end of the file");
}

std::uint32_t U32At(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The file's bytes, read a block at a time and kept until a read elsewhere:
// the header, the generations and the name table of a package usually come
// in one read, the import table near the end in another.
class Blocks {
  public:
    Blocks(std::uint64_t fileSize, const ReadAt& readAt) : fileSize_(fileSize), readAt_(readAt) {}

    // The byte at pos, or none beyond the end of what can be read.
    std::optional<unsigned char> At(std::uint64_t pos) {
        if (pos < start_ || pos >= start_ + block_.size()) {
            if (pos >= fileSize_) {
                return std::nullopt;
            }
            const auto size =
                static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, fileSize_ - pos));
            block_.resize(size);
            block_.resize(readAt_(pos, block_.data(), size));
            start_ = pos;
            if (block_.empty()) {
                return std::nullopt;
            }
        }
        return static_cast<unsigned char>(block_[pos - start_]);
    }

  private:
    std::uint64_t fileSize_;
    const ReadAt& readAt_;
    std::string block_;
    std::uint64_t start_ = 0;
};

// Reads a table forward from an offset; reaching the end of the file inside
// the table is "truncated".
class Cursor {
  public:
    Cursor(Blocks& blocks, std::uint64_t at, std::string_view table)
        : blocks_(blocks), pos_(at), table_(table) {}

    unsigned char Byte() {
        std::optional<unsigned char> b = blocks_.At(pos_);
        if (!b) {
            Truncated(table_);
        }
        ++pos_;
        return *b;
    }
    std::uint32_t U32() {
        unsigned char b[4];
        for (unsigned char& c : b) {
            c = Byte();
        }
        return U32At(b);
    }

    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    // A compact index: sign, "more" and 6 bits, then up to three bytes of
    // "more" and 7 bits, then 8 bits.
    std::int32_t Compact() {
        unsigned char b = Byte();
        const bool negative = (b & 0x80) != 0;
        std::uint64_t value = b & 0x3F;
        if ((b & 0x40) != 0) {
            int shift = 6;
            for (int i = 1; i < 5; ++i) {
                b = Byte();
                if (i == 4) {
                    value |= static_cast<std::uint64_t>(b) << shift;
                    break;
                }
                value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
                shift += 7;
                if ((b & 0x80) == 0) {
                    break;
                }
            }
        }
        if (value > 0x7FFFFFFF) {
            Damaged("a compact index in " + table_ + " is out of range");
        }
        const auto v = static_cast<std::int32_t>(value);
        return negative ? -v : v;
    }

  private:
    Blocks& blocks_;
    std::uint64_t pos_;
    std::string table_;
};

// A table's count and offset, checked against the file's size: no count
// that the rest of the file cannot hold is believed.
void CheckTable(std::int32_t count, std::int32_t offset, std::uint64_t minEntryBytes,
                std::uint64_t fileSize, std::string_view table) {
    if (count < 0) {
        Damaged("the count of " + std::string(table) + " is negative");
    }
    if (count == 0) {
        return;
    }
    if (offset < 0) {
        Damaged("the offset of " + std::string(table) + " is negative");
    }
    const auto at = static_cast<std::uint64_t>(offset);
    if (at >= fileSize || static_cast<std::uint64_t>(count) > (fileSize - at) / minEntryBytes) {
        Truncated(table);
    }
}

// The names of the name table, kept in one block of text.
class NameTable {
  public:
    void Add(std::string_view name) {
        starts_.push_back(static_cast<std::uint32_t>(text_.size()));
        text_.append(name);
    }
    std::size_t Size() const { return starts_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] : text_.size();
        return std::string_view(text_).substr(starts_[i], end - starts_[i]);
    }

  private:
    std::string text_;
    std::vector<std::uint32_t> starts_;
};

NameTable ReadNames(Blocks& blocks, std::uint16_t version, std::int32_t count,
                    std::int32_t offset) {
    NameTable names;
    Cursor cursor(blocks, static_cast<std::uint64_t>(offset), "the name table");
    char name[kMaxNameBytes];
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t length = 0;  // without the NUL
        if (version >= kLengthPrefixedNames) {
            const std::int32_t stored = cursor.Compact();
            if (stored <= 0 || stored > kMaxNameBytes) {
                Damaged("name " + std::to_string(i) +
                        " of the name table is empty, negative or "
                        "longer than 64 bytes");
            }
            for (std::int32_t k = 0; k < stored; ++k) {
                name[k] = static_cast<char>(cursor.Byte());
            }
            length = static_cast<std::int32_t>(std::find(name, name + stored, '\0') - name);
        } else {
            for (;;) {
                const char c = static_cast<char>(cursor.Byte());
                if (c == '\0') {
                    break;
                }
                if (length + 1 >= kMaxNameBytes) {
                    Damaged("name " + std::to_string(i) +
                            " of the name table is longer than 64 bytes");
                }
                name[length++] = c;
            }
        }
        if (length == 0) {
            Damaged("name " + std::to_string(i) + " of the name table is empty");
        }
        cursor.U32();  // the name's flags
        names.Add(std::string_view(name, static_cast<std::size_t>(length)));
    }
    return names;
}

std::vector<std::string> ReadDependencies(Blocks& blocks, const NameTable& names,
                                          std::int32_t count, std::int32_t offset,
                                          std::int32_t exportCount) {
    std::vector<std::string> dependencies;
    std::unordered_set<std::string> seen;
    Cursor cursor(blocks, static_cast<std::uint64_t>(offset), "the import table");
    auto name = [&](std::int32_t index, std::int32_t import) {
        if (index < 0 || static_cast<std::size_t>(index) >= names.Size()) {
            Damaged("import " + std::to_string(import) + " names no entry of the name table");
        }
        return names[static_cast<std::size_t>(index)];
    };
    for (std::int32_t i = 0; i < count; ++i) {
        name(cursor.Compact(), i);  // the class's package
        const std::string_view className = name(cursor.Compact(), i);
        const std::int32_t outer = cursor.I32();
        const std::string_view objectName = name(cursor.Compact(), i);
        if ((outer < 0 && -static_cast<std::int64_t>(outer) > count) || outer > exportCount) {
            Damaged("import " + std::to_string(i) + " lies inside an object that does not exist");
        }
        // A package that this one needs: an import of class Package at the
        // top level.
        if (outer == 0 && EqualsUpper(className, "PACKAGE") &&
            seen.insert(UpperAscii(objectName)).second) {
            dependencies.emplace_back(objectName);
        }
    }
    return dependencies;
}

}  // namespace

PackageInfo ParsePackage(std::uint64_t fileSize, const ReadAt& readAt) {
    Blocks blocks(fileSize, readAt);
    unsigned char header[kNewHeaderSize] = {};
    const std::size_t headerBytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kNewHeaderSize));
    for (std::size_t i = 0; i < headerBytes; ++i) {
        std::optional<unsigned char> b = blocks.At(i);
        if (!b) {
            break;
        }
        header[i] = *b;
    }
    if (fileSize < 4 || U32At(header) != kPackageTag) {
        throw PackageFormatError("not a package file");
    }
    PackageInfo info;
    info.version = static_cast<std::uint16_t>(header[4] | header[5] << 8);
    info.licensee = static_cast<std::uint16_t>(header[6] | header[7] << 8);
    const bool newHeader = info.version >= kGenerationsHeader;
    if (fileSize < (newHeader ? kNewHeaderSize : kOldHeaderSize)) {
        Truncated("the header");
    }
    auto i32 = [&](std::size_t at) { return static_cast<std::int32_t>(U32At(header + at)); };
    info.flags = U32At(header + 8);
    const std::int32_t nameCount = i32(12);
    const std::int32_t nameOffset = i32(16);
    const std::int32_t exportCount = i32(20);
    const std::int32_t exportOffset = i32(24);
    const std::int32_t importCount = i32(28);
    const std::int32_t importOffset = i32(32);
    CheckTable(nameCount, nameOffset, kMinNameBytes, fileSize, "the name table");
    CheckTable(exportCount, exportOffset, kMinExportBytes, fileSize, "the export table");
    CheckTable(importCount, importOffset, kMinImportBytes, fileSize, "the import table");

    if (newHeader) {
        info.guid = {U32At(header + 36), U32At(header + 40), U32At(header + 44),
                     U32At(header + 48)};
        const std::int32_t generations = i32(52);
        CheckTable(generations, static_cast<std::int32_t>(kNewHeaderSize), 8, fileSize,
                   "the generation table");
        Cursor cursor(blocks, kNewHeaderSize, "the generation table");
        info.generations.reserve(static_cast<std::size_t>(generations));
        for (std::int32_t i = 0; i < generations; ++i) {
            PackageGeneration g;
            g.exportCount = cursor.I32();
            g.nameCount = cursor.I32();
            info.generations.push_back(g);
        }
    }
    const NameTable names = ReadNames(blocks, info.version, nameCount, nameOffset);
    info.dependencies = ReadDependencies(blocks, names, importCount, importOffset, exportCount);
    if (!newHeader) {
        // The heritage table, usually after the import table: its last GUID
        // is the package's own.
        const std::int32_t heritage = i32(36);
        const std::int32_t heritageOffset = i32(40);
        CheckTable(heritage, heritageOffset, 16, fileSize, "the heritage table");
        if (heritage > 0) {
            Cursor cursor(blocks,
                          static_cast<std::uint64_t>(heritageOffset) +
                              static_cast<std::uint64_t>(heritage - 1) * 16,
                          "the heritage table");
            std::array<std::uint32_t, 4> guid{};
            for (std::uint32_t& part : guid) {
                part = cursor.U32();
            }
            info.guid = guid;
        }
    }
    return info;
}

PackageInfo ReadPackageFile(const std::string& path) {
    platform::FileReader file(path);
    const std::uint64_t size = file.Size();
    return ParsePackage(size, [&](std::uint64_t offset, char* into, std::size_t bytes) {
        return file.ReadAt(offset, into, bytes);
    });
}

std::string GuidText(const std::array<std::uint32_t, 4>& guid) {
    char text[33];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", guid[0], guid[1], guid[2], guid[3]);
    return text;
}

}  // namespace keelson
