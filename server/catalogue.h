#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The catalogue folder as an operator keeps it:
//   DIR/tarnvale/trialmods2.txt, pcmods2.txt, xboxmods2.txt, xbox2mods2.txt  mod lists
//   DIR/tarnvale/utilities.txt, bannedips.txt, maps.txt                      other lists
//   DIR/tarnvale/uploads/<author>/<file>                                     mod files, lower case
//   DIR/index.html                                                           home page
//   DIR/tarnvale.sqlite                                                      reports (not served)
namespace tarnvale::server {

struct Edition {
    const char *key;  // name used on the command line
    const char *file; // its list in DIR/tarnvale
    const char *tick; // the submission form's check box for it
};

// The four mod lists, in the order of the client's popup menu.
const std::vector<Edition> &editions();
const Edition *findEdition(std::string_view key);

inline constexpr char utilitiesFile[] = "utilities.txt";
inline constexpr char bannedFile[] = "bannedips.txt";
inline constexpr char mapsFile[] = "maps.txt";

class Catalogue {
public:
    explicit Catalogue(std::string root) : m_root(std::move(root)) {}

    const std::string &root() const { return m_root; }
    std::string dir() const { return m_root + "/tarnvale"; }
    std::string file(std::string_view name) const { return dir() + "/" + std::string(name); }
    // Where a mod's file lives: both names lower-cased, as the client asks for it.
    std::string uploadPath(std::string_view author, std::string_view fileName) const;
    std::string defaultDatabase() const { return m_root + "/tarnvale.sqlite"; }

private:
    std::string m_root;
};

// The whole file, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::string &path);
// Writes a sibling temporary file, syncs it and renames it over the path, so that a reader
// sees either the old or the new file and never a half-written one. Throws on failure.
void writeFileAtomic(const std::string &path, std::string_view content);
void copyFileAtomic(const std::string &from, const std::string &to);
void makeDirectories(const std::string &path);

// Serialises edits of the list files by the moderation commands.
class EditLock {
public:
    explicit EditLock(const Catalogue &catalogue);
    ~EditLock();
    EditLock(const EditLock &) = delete;
    EditLock &operator=(const EditLock &) = delete;

private:
    int m_fd = -1;
};

// Why a value cannot stand in a list field, or nothing when it can. Lists have no quoting,
// so ";" and "|" would split the entry, and a line break would show in the client's rows.
std::optional<std::string> listFieldProblem(std::string_view value);
// Whether the name can be one folder or file name under uploads/.
bool isSafePathName(std::string_view name);

// Appends an entry to a ";"-joined list (no separator before the first entry). A line break
// an editor left at the end of the file is dropped. Returns false when the entry was there.
bool appendEntry(std::string &list, std::string_view entry);

} // namespace tarnvale::server
