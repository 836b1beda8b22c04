#pragma once
// The pick lists of the Bot Library Manager's boxes: the game's bot names,
// models, skins, faces, voices, weapons and teams, with "//" headings
// between the groups (a heading picked leaves the box empty).

#include <string>
#include <vector>

namespace keelson {

std::vector<std::string> BotNamePicks();
std::vector<std::string> ModelPicks();
std::vector<std::string> SkinPicks();
// Each face as "Package.Name" under its heading, then a last heading and an
// empty line.
std::vector<std::string> FacePicks();
std::vector<std::string> VoicePicks();
std::vector<std::string> WeaponPicks();
// Red, Blue, Green, Gold and [Neutral]: lines 0 to 3 are the teams of the
// same number.
std::vector<std::string> TeamPicks();

}  // namespace keelson
