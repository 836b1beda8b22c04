#pragma once
// --json output: one JSON document per command. Texts are shown as the
// windows show them: the game's texts are Windows-1252 and become UTF-8 (the
// five bytes the code page leaves undefined stay as \u0081, \u008D, \u008F,
// \u0090 and \u009D); paths are UTF-8 where the file system names files so.

#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

#include "core/bots/TBotDefine.h"

namespace keelson::cli {

// Objects keep their keys in the order given.
using Json = nlohmann::ordered_json;

Json JsonText(std::string_view ansi);
Json JsonPath(std::string_view path);
// The float's shortest decimal form, as a number (null for a NaN or an
// infinity, which JSON cannot hold).
Json JsonNumber(float value);
// A bot as an object of its 14 fields.
Json JsonBot(const TBotRecord& bot);

// The document, indented, and a line end.
void PrintJson(std::ostream& out, const Json& document);

}  // namespace keelson::cli
