#include "demo.h"

#include "catalogue.h"
#include "text.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

namespace tarnvale::server {

namespace {

std::uint32_t crc32(const std::string &data)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : data)
        c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put16(std::string &out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string &out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct DemoMod {
    const char *name;
    const char *author;
    const char *map;
    const char *file;
};

// Trial mods can only be for the two maps the trial ships with.
const DemoMod trialMods[] = {
    {"Blood Gulch Redux", "ZekeTheRed", "Blood Gulch", "BG_Redux.zip"},
    {"Rat Race Lights Out", "QuietStorm", "Rat Race", "RatRace-LightsOut.ZIP"},
    {"Snowy Gulch", "Mod Squad", "Blood Gulch", "SnowyGulch.zip"},
    {"Warthog Jump Park", "b4rrel", "Blood Gulch", "hogjump_park.zip"},
    {"Rat Race Maze", "NightHawk", "Rat Race", "RRMaze_v2.zip"},
    {"Gulch Night Ops", "viperX", "Blood Gulch", "NightOps.zip"},
    {"Banshee Skies", "ZekeTheRed", "Blood Gulch", "BansheeSkies.zip"},
    {"Rat Race Vents", "tunafish", "Rat Race", "ratrace_vents.zip"},
    {"Red vs Blue Bases", "Mod Squad", "Blood Gulch", "RvB_Bases.zip"},
    {"Sniper Towers", "QuietStorm", "Blood Gulch", "SniperTowers.Zip"},
    {"Rat Race Lava", "b4rrel", "Rat Race", "lava_race.zip"},
    {"Gulch Obstacle Course", "NightHawk", "Blood Gulch", "GulchOC.zip"},
};

const DemoMod pcMods[] = {
    {"Hang 'Em High Sniper Nest", "QuietStorm", "Hang 'Em High", "HEH_SniperNest.zip"},
    {"Chiron Speed Run", "NightHawk", "Chiron TL-34", "ChironSpeedRun.zip"},
    {"Damnation Waterfalls", "Mod Squad", "Damnation", "Damnation_Falls.zip"},
    {"Sidewinder Warthog Race", "ZekeTheRed", "Sidewinder", "SW_HogRace.ZIP"},
    {"Ice Fields Fortress", "viperX", "Ice Fields", "icefields-fort.zip"},
    {"Infinity Ghost Battles", "b4rrel", "Infinity", "Infinity_Ghosts.zip"},
    {"Death Island Tunnels", "tunafish", "Death Island", "DI_Tunnels.zip"},
    {"Timberland Treehouses", "Mod Squad", "Timberland", "TreeHouses.zip"},
    {"Prisoner Low Gravity", "QuietStorm", "Prisoner", "prisoner_lowgrav.zip"},
    {"Gephyrophobia Bridges", "NightHawk", "Gephyrophobia", "Geph_Bridges.zip"},
    {"Danger Canyon Night", "ZekeTheRed", "Danger Canyon", "DangerNight.zip"},
    {"Wizard Portals", "viperX", "Wizard", "WizardPortals.zip"},
    {"Longest Rockets Only", "b4rrel", "Longest", "longest_rockets.zip"},
};

const DemoMod xboxMods[] = {
    {"Blood Gulch Bridges", "Mod Squad", "Blood Gulch", "BG_Bridges.zip"},
    {"Boarding Action Ramps", "ZekeTheRed", "Boarding Action", "BA_Ramps.zip"},
    {"Battle Creek Snow", "QuietStorm", "Battle Creek", "CreekSnow.zip"},
    {"Derelict Zero G", "NightHawk", "Derelict", "Derelict_ZeroG.ZIP"},
    {"Hang 'Em High Ghosts", "b4rrel", "Hang 'Em High", "heh_ghosts.zip"},
    {"Chill Out Vehicles", "viperX", "Chill Out", "ChillVehicles.zip"},
    {"Sidewinder Base Walls", "tunafish", "Sidewinder", "sw_walls.zip"},
    {"Damnation Teleporters", "Mod Squad", "Damnation", "DamnTele.zip"},
    {"Prisoner Jump Pads", "ZekeTheRed", "Prisoner", "PrisonerPads.zip"},
    {"Rat Race Open Roof", "QuietStorm", "Rat Race", "RR_OpenRoof.zip"},
    {"Chiron Big Rooms", "NightHawk", "Chiron TL-34", "ChironBig.zip"},
    {"Longest Banshee Run", "b4rrel", "Longest", "longest_banshee.zip"},
};

const DemoMod xbox2Mods[] = {
    {"Lockout Ice", "ZekeTheRed", "Lockout", "Lockout_Ice.zip"},
    {"Midship Gravity Lift", "Mod Squad", "Midship", "MidshipLift.ZIP"},
    {"Zanzibar Wheel Spin", "QuietStorm", "Zanzibar", "ZanzibarSpin.zip"},
    {"Coagulation Rain", "NightHawk", "Coagulation", "coag_rain.zip"},
    {"Ivory Tower Sniper Deck", "viperX", "Ivory Tower", "IvoryDeck.zip"},
    {"Ascension Catwalks", "b4rrel", "Ascension", "ascension_walks.zip"},
    {"Beaver Creek Vehicles", "tunafish", "Beaver Creek", "BeaverHogs.zip"},
    {"Headlong Rooftops", "Mod Squad", "Headlong", "Headlong_Roofs.zip"},
    {"Waterworks Tunnels", "ZekeTheRed", "Waterworks", "WW_Tunnels.zip"},
    {"Colossus Low Gravity", "QuietStorm", "Colossus", "ColossusLowG.zip"},
    {"Burial Mounds Towers", "NightHawk", "Burial Mounds", "BurialTowers.zip"},
    {"Foundation Energy Swords", "viperX", "Foundation", "foundation_swords.zip"},
};

struct DemoUtility {
    const char *name;
    const char *version;
    const char *file; // in uploads/tools
};

const DemoUtility utilities[] = {
    {"Map Loader", "PC", "maploader.zip"},
    {"Tag Viewer", "PC", "TagViewer.zip"},
    {"Save Game Tool", "Xbox", "savetool.zip"},
    {"Texture Swapper", "Halo 2", "TextureSwap.zip"},
    {"Trial Map Unlocker", "Trial", "trialunlock.zip"},
    {"Checksum Fixer", "", "checksumfix.zip"}, // no version: the client shows "Undefined"
};

const char *mapNames = "Blood Gulch,Rat Race,Battle Creek,Sidewinder,Damnation,Hang 'Em High,"
                       "Chiron TL-34,Prisoner,Wizard,Boarding Action,Chill Out,Derelict,Longest,"
                       "Ice Fields,Death Island,Danger Canyon,Infinity,Timberland,Gephyrophobia";

// Some bytes that look like a mod's data, different for every mod, a few tens of KiB.
std::string filler(const std::string &seed)
{
    std::uint32_t x = crc32(seed) | 1u;
    const std::size_t size = 16 * 1024 + (x % (32 * 1024));
    std::string out(size, '\0');
    for (char &c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return out;
}

std::string modZip(const std::string &name, const std::string &author, const std::string &map,
                   const std::string &file)
{
    const std::string base = std::filesystem::path(file).stem().string();
    const std::string readme = name + "\r\nby " + author + "\r\nfor " + map +
                               "\r\n\r\nA demo file of the Tarnvale catalogue.\r\n";
    return makeZip({{"readme.txt", readme}, {base + ".map", filler(name + author)}});
}

} // namespace

std::string makeZip(const std::vector<std::pair<std::string, std::string>> &files)
{
    constexpr std::uint32_t dosTime = 0;                        // 00:00:00
    constexpr std::uint32_t dosDate = (24 << 9) | (1 << 5) | 1; // 2004-01-01
    std::string out, central;
    for (const auto &[name, data] : files) {
        const std::uint32_t crc = crc32(data);
        const auto size = static_cast<std::uint32_t>(data.size());
        const auto offset = static_cast<std::uint32_t>(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0); // flags
        put16(out, 0); // stored
        put16(out, dosTime);
        put16(out, dosDate);
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, static_cast<std::uint32_t>(name.size()));
        put16(out, 0);
        out += name;
        out += data;

        put32(central, 0x02014b50);
        put16(central, 20);
        put16(central, 20);
        put16(central, 0);
        put16(central, 0);
        put16(central, dosTime);
        put16(central, dosDate);
        put32(central, crc);
        put32(central, size);
        put32(central, size);
        put16(central, static_cast<std::uint32_t>(name.size()));
        put16(central, 0); // extra
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, 0); // external attributes
        put32(central, offset);
        central += name;
    }
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(files.size()));
    put16(out, static_cast<std::uint32_t>(files.size()));
    put32(out, static_cast<std::uint32_t>(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

void writeDemoCatalogue(const std::string &root, const std::string &baseUrl)
{
    const Catalogue catalogue(root);
    if (std::filesystem::exists(catalogue.dir()))
        throw std::runtime_error(catalogue.dir() + " already exists");
    makeDirectories(catalogue.dir() + "/uploads");

    auto writeList = [&](const char *file, const auto &mods) {
        std::vector<std::string> entries;
        for (const DemoMod &m : mods) {
            entries.push_back(std::string(m.name) + "|" + m.author + "|" + m.map + "|" + m.file);
            const std::string path = catalogue.uploadPath(m.author, m.file);
            makeDirectories(std::filesystem::path(path).parent_path().string());
            writeFileAtomic(path, modZip(m.name, m.author, m.map, m.file));
        }
        writeFileAtomic(catalogue.file(file), join(entries, ';'));
    };
    writeList("trialmods2.txt", trialMods);
    writeList("pcmods2.txt", pcMods);
    writeList("xboxmods2.txt", xboxMods);
    writeList("xbox2mods2.txt", xbox2Mods);

    std::vector<std::string> records;
    makeDirectories(catalogue.dir() + "/uploads/tools");
    for (const DemoUtility &u : utilities) {
        records.push_back(std::string(u.name) + "|" + u.version + "|" + baseUrl +
                          "/tarnvale/uploads/tools/" + toLower(u.file));
        writeFileAtomic(catalogue.uploadPath("tools", u.file),
                        modZip(u.name, "Tarnvale", "any map", u.file));
    }
    writeFileAtomic(catalogue.file(utilitiesFile), join(records, ';'));
    writeFileAtomic(catalogue.file(mapsFile), mapNames);
    // Documentation addresses only: no real machine is banned.
    writeFileAtomic(catalogue.file(bannedFile), "203.0.113.7|198.51.100.23");
    writeFileAtomic(root + "/index.html",
                    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Tarnvale "
                    "Catalogue</title></head>\n<body>\n<h1>Tarnvale Catalogue</h1>\n<p>A "
                    "community catalogue of Halo mods. Browse and download them with the "
                    "Tarnvale client.</p>\n<p><a "
                    "href=\"/tarnvale/request.php?action=bugreport&amp;version=html\">Report a "
                    "bug</a></p>\n</body></html>\n");
}

} // namespace tarnvale::server
