#include "core/bots/BotPickLists.h"

#include <initializer_list>

namespace keelson {

namespace {

const char* const kBotNames[] = {
    "Alarik", "Alys",   "Arachne",  "Archon",   "Aryss",  "Athena",    "Barak",   "Cali",
    "Cilia",  "Cryss",  "Dessloch", "Drimacus", "Icthys", "Illana",    "Jared",   "Kara",
    "Karag",  "Kira",   "Kosak",    "Kragoth",  "Liche",  "Loque",     "Malakai", "Necroth",
    "Nikita", "Raynor", "Rhea",     "Sarena",   "Tamara", "Tamerlane", "Visse",   "Zenith"};

const char* const kModels[] = {
    "Botpack.TMale1Bot",        "Botpack.TMale2Bot",  "Botpack.TFemale1Bot",
    "Botpack.TFemale2Bot",      "Botpack.TBossBot",   "//Bonus Pack",
    "MultiMesh.TSkaarjBot",     "MultiMesh.TNaliBot", "MultiMesh.TCowBot",
    "//Dorvane's bug fixes",    "NaliFix.TNali2Bot",  "CowFix.TCowBotFixed",
    "//A few user-made addons", "6Marine.MarineBot",  "6Rmko.RumikoBot",
    "aQueen.aQueenBot",         "Troop.TroopBot"};

const char* const kSkins[] = {"//Male 1 (Commando)",
                              "CommandoSkins.cmdo",
                              "CommandoSkins.daco",
                              "CommandoSkins.goth",
                              "//Male 2 (Soldier)",
                              "SoldierSkins.sldr",
                              "SoldierSkins.blkt",
                              "SoldierSkins.hkil",
                              "SoldierSkins.gard",
                              "SoldierSkins.RawS",
                              "//Female 1 (Commando)",
                              "FCommandoSkins.cmdo",
                              "FCommandoSkins.daco",
                              "FCommandoSkins.goth",
                              "FCommandoSkins.aphe",
                              "//Female 2 (Soldier)",
                              "SGirlSkins.army",
                              "SGirlSkins.fbth",
                              "SGirlSkins.fwar",
                              "SGirlSkins.garf",
                              "SGirlSkins.venm",
                              "//Skaarj Hybrid",
                              "TSkMSkins.Warr",
                              "TSkMSkins.PitF",
                              "TSkMSkins.MekS",
                              "//Nali",
                              "TNaliMeshSkins.Ouboudah",
                              "TNaliMeshSkins.Priest",
                              "//WarCow",
                              "TCowMeshSkins.WarCow",
                              "TCowMeshSkins.AtomicCow"};

// The face box: each heading with the package and names of its faces.
struct FaceGroup {
    const char* heading;
    const char* package;
    std::initializer_list<const char*> names;
};
const FaceGroup kFaceGroups[] = {
    {"//Male 1 (Commando)",
     "CommandoSkins",
     {"Blake", "Gorn", "Nickolai", "Whitman", "Boris", "Luthor", "Ramirez", "Graves", "Kragoth",
      "Malakai", "Necrotic", "Grail"}},
    {"//Male 2 (Soldier)",
     "SoldierSkins",
     {"Malcolm", "Othello", "Riker", "Drake", "Radkin", "Wraith", "Von", "Arkon", "Bruce",
      "Kregore", "Manwell", "Slain", "Brock", "Harlin", "Johnson", "Rankin", "Matrix", "Tensor",
      "Vector"}},
    // This heading has a blank after its slashes, unlike the skin box's.
    {"// Female 1 (Commando)",
     "FCommandoSkins",
     {"Anna", "Gromida", "Ivana", "Nikita", "Jayce", "Kyla", "Mariana", "Tanya", "Cryss", "Freylis",
      "Malise", "Visse", "Idina", "Portia"}},
    {"//Female 2 (Soldier)",
     "SGirlSkins",
     {"Lauren", "Rylisa", "Sara",  "Shyann", "Isis",    "Risa",  "Tasha",
      "Vixen",  "Athena", "Cilia", "Sarena", "Tara",    "Zanna", "Azure",
      "Aryss",  "Annaka", "Olga",  "Ryanna", "Cathode", "Fury",  "Lilith"}},
    {"//Skaarj Hybrid",
     "TSkMSkins",
     {"Berserker", "Dominator", "Guardian", "Baetal", "Pharoh", "Skrilax", "Firewall",
      "Disconnect"}},
};
constexpr const char* kFaceLastHeading = "//Leave blank for Nali/Cow";

const char* const kVoices[] = {"//Male (UT)",
                               "BotPack.VoiceMaleOne",
                               "BotPack.VoiceMaleTwo",
                               "BotPack.VoiceBoss",
                               "//Female (UT)",
                               "BotPack.VoiceFemaleOne",
                               "BotPack.VoiceFemaleTwo",
                               "//Male (Bonus Pack)",
                               "MultiMesh.SkaarjVoice",
                               "MultiMesh.NaliVoice",
                               "MultiMesh.CowVoice"};

const char* const kWeapons[] = {
    "// no favourite",    "BotPack.ImpactHammer",   "BotPack.Chainsaw",
    "BotPack.Enforcer",   "BotPack.DoubleEnforcer", "BotPack.UT_BioRifle",
    "BotPack.ShockRifle", "BotPack.PulseGun",       "BotPack.Ripper",
    "BotPack.Minigun2",   "BotPack.UT_FlakCannon",  "BotPack.UT_Eightball",
    "BotPack.SniperRifle"};

const char* const kTeams[] = {"Red", "Blue", "Green", "Gold", "[Neutral]"};

template <std::size_t N>
std::vector<std::string> Picks(const char* const (&texts)[N]) {
    return std::vector<std::string>(std::begin(texts), std::end(texts));
}

}  // namespace

std::vector<std::string> BotNamePicks() {
    return Picks(kBotNames);
}
std::vector<std::string> ModelPicks() {
    return Picks(kModels);
}
std::vector<std::string> SkinPicks() {
    return Picks(kSkins);
}
std::vector<std::string> VoicePicks() {
    return Picks(kVoices);
}
std::vector<std::string> WeaponPicks() {
    return Picks(kWeapons);
}
std::vector<std::string> TeamPicks() {
    return Picks(kTeams);
}

std::vector<std::string> FacePicks() {
    std::vector<std::string> lines;
    for (const FaceGroup& group : kFaceGroups) {
        lines.emplace_back(group.heading);
        for (const char* name : group.names) {
            lines.push_back(std::string(group.package) + "." + name);
        }
    }
    lines.emplace_back(kFaceLastHeading);
    lines.emplace_back();
    return lines;
}

}  // namespace keelson
