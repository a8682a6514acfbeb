#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarnvale::server {

// A zip archive of the files (name, content), stored without compression.
std::string makeZip(const std::vector<std::pair<std::string, std::string>> &files);

// Lays out a demo catalogue in the folder: the four mod lists, utilities, maps, a banned
// list that bans no real machine, a home page and a small zip file for every entry. Links in
// utilities.txt point at baseUrl. Throws when the folder already holds a catalogue.
void writeDemoCatalogue(const std::string &root, const std::string &baseUrl);

} // namespace tarnvale::server
