#include "core/versions/FileVersions.h"

#include <dtl/dtl.hpp>
#include <span>

#include "core/bots/BotFiles.h"
#include "core/bots/BotLibrary.h"
#include "core/bots/TBotDefine.h"
#include "core/common/GameText.h"
#include "core/common/UTSharedUtils1.h"

namespace keelson {

namespace {

constexpr std::string_view kSystemSections[] = {"[ENGINE.ENGINE]", "[ENGINE.GAMEENGINE]",
                                                "[CORE.SYSTEM]"};
constexpr std::string_view kUserSections[] = {kBotSectionHeader, "[ENGINE.INPUT]",
                                              "[DEFAULTPLAYER]", "[ENGINE.PLAYERPAWN]"};

bool IsOneOf(std::string_view line, std::span<const std::string_view> headers) {
    for (std::string_view header : headers) {
        if (line.size() == header.size() && EqualsUpper(line, header)) {
            return true;
        }
    }
    return false;
}

bool LooksLikeText(std::string_view content) {
    // A bot record's filler is zero bytes; a game INI has none.
    return content.find('\0') == std::string_view::npos;
}

}  // namespace

GameFileKind RecogniseGameFile(std::string_view content, std::string_view name) {
    if (content.empty()) {
        return name.ends_with(".ut_botlib") ? GameFileKind::Library : GameFileKind::Unknown;
    }
    if (LooksLikeText(content)) {
        GameFileKind kind = GameFileKind::Unknown;
        ForEachGameTextLine(content, [&](std::string_view line, bool) {
            if (IsOneOf(line, kSystemSections)) {
                kind = GameFileKind::SystemIni;
            } else if (IsOneOf(line, kUserSections)) {
                kind = GameFileKind::UserIni;
            }
            return kind == GameFileKind::Unknown;
        });
        return kind;
    }
    return content.size() % kBotRecordSize == 0 ? GameFileKind::Library : GameFileKind::Unknown;
}

std::string_view GameFileKindName(GameFileKind kind) {
    switch (kind) {
        case GameFileKind::UserIni:
            return "user INI";
        case GameFileKind::SystemIni:
            return "system INI";
        case GameFileKind::Library:
            return "bot library";
        case GameFileKind::Unknown:
            break;
    }
    return "file";
}

std::vector<std::string_view> ComparableLines(std::string_view content, GameFileKind kind,
                                              std::string& holder) {
    if (kind != GameFileKind::Library) {
        return SplitGameTextLines(content);
    }
    holder.clear();
    TBotRecord bot;
    for (std::size_t at = 0; at + kBotRecordSize <= content.size(); at += kBotRecordSize) {
        DecodeBotRecord(reinterpret_cast<const unsigned char*>(content.data() + at), bot);
        holder += BotFieldLines(bot);
    }
    std::vector<std::string_view> lines = SplitTextLines(holder);
    return lines;
}

std::string UnifiedDiff(const std::vector<std::string_view>& before,
                        const std::vector<std::string_view>& after, const std::string& fromLabel,
                        const std::string& toLabel) {
    dtl::Diff<std::string_view> diff(before, after);
    diff.compose();
    diff.composeUnifiedHunks();
    const auto hunks = diff.getUniHunks();
    if (hunks.empty()) {
        return {};
    }
    std::string out = "--- " + fromLabel + "\n+++ " + toLabel + "\n";
    auto line = [&](char mark, std::string_view text) {
        out += mark;
        out.append(text);
        out += '\n';
    };
    for (const auto& hunk : hunks) {
        out += "@@ -" + std::to_string(hunk.a) + "," + std::to_string(hunk.b) + " +" +
               std::to_string(hunk.c) + "," + std::to_string(hunk.d) + " @@\n";
        for (const auto& common : hunk.common[0]) {
            line(' ', common.first);
        }
        for (const auto& change : hunk.change) {
            line(change.second.type == dtl::SES_ADD      ? '+'
                 : change.second.type == dtl::SES_DELETE ? '-'
                                                         : ' ',
                 change.first);
        }
        for (const auto& common : hunk.common[1]) {
            line(' ', common.first);
        }
    }
    return out;
}

}  // namespace keelson
