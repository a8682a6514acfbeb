#include "moderation.h"

#include "catalogue.h"
#include "store.h"
#include "text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace tarnvale::server {

std::string Arguments::get(const std::string &name, const std::string &fallback) const
{
    const auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
}

namespace {

struct Context {
    Catalogue catalogue;
    Store store;
    explicit Context(const Arguments &args)
        : catalogue(args.get("catalogue", ".")),
          store(args.get("db", Catalogue(args.get("catalogue", ".")).defaultDatabase()))
    {
    }
};

std::int64_t parseId(const Arguments &args)
{
    if (args.positional.size() != 1)
        throw std::runtime_error("give exactly one submission number");
    const std::string &text = args.positional.front();
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error("\"" + text + "\" is not a submission number");
    return std::stoll(text);
}

std::string fieldOf(const Record &r, const char *name)
{
    const std::string *value = findField(r.fields, name);
    return value ? *value : std::string();
}

bool ticked(const Record &r, const char *name)
{
    return equalsIgnoreCase(fieldOf(r, name), "true");
}

void print(const Record &r)
{
    std::cout << "#" << r.id << "  " << r.received << "  " << r.client << "  " << r.action << "  "
              << r.state;
    if (!r.note.empty())
        std::cout << "  (" << printable(r.note) << ")";
    std::cout << "\n";
    for (const auto &[name, value] : r.fields)
        std::cout << "    " << printable(name) << ": " << printable(value) << "\n";
}

Record pendingSubmission(Context &ctx, std::int64_t id)
{
    const auto record = ctx.store.get(id);
    if (!record || record->action != "getlisted")
        throw std::runtime_error("there is no submission #" + std::to_string(id));
    if (record->state != "pending")
        throw std::runtime_error("submission #" + std::to_string(id) + " is already " +
                                 record->state);
    return *record;
}

void checkListField(const std::string &what, const std::string &value)
{
    if (const auto problem = listFieldProblem(value))
        throw std::runtime_error("the " + what + " \"" + printable(value) +
                                 "\" cannot be listed: " + *problem);
}

} // namespace

int listRecords(const std::string &command, const Arguments &args)
{
    Context ctx(args);
    std::vector<std::string> actions;
    std::string state;
    if (command == "reports") {
        actions = {"brokenlink", "badmod"};
    } else if (command == "bugs") {
        actions = {"bug"};
    } else {
        actions = {"getlisted"};
        state = args.has("all") ? "" : "pending";
    }
    const auto records = ctx.store.list(actions, state);
    for (const Record &r : records)
        print(r);
    if (records.empty())
        std::cout << "nothing\n";
    return 0;
}

int approveSubmission(const Arguments &args)
{
    Context ctx(args);
    const std::int64_t id = parseId(args);
    const Record sub = pendingSubmission(ctx, id);

    // Which lists: as given, or the boxes the maker ticked.
    std::vector<std::string> lists;
    if (args.has("lists")) {
        for (const std::string &key : split(args.get("lists"), ','))
            if (!key.empty())
                lists.push_back(key);
    } else {
        for (const Edition &e : editions())
            if (ticked(sub, e.tick))
                lists.push_back(e.key);
        if (ticked(sub, "utility"))
            lists.push_back("utility");
    }
    if (lists.empty())
        throw std::runtime_error("the submission names no list; give --lists trial,pc,xbox,"
                                 "halo2,utility");
    std::vector<const Edition *> modLists;
    bool utility = false;
    for (const std::string &key : lists) {
        if (key == "utility")
            utility = true;
        else if (const Edition *e = findEdition(key))
            modLists.push_back(e);
        else
            throw std::runtime_error("\"" + key +
                                     "\" is not a list (trial, pc, xbox, halo2, "
                                     "utility)");
    }

    const std::string name = args.get("name", fieldOf(sub, "modname"));
    checkListField("mod name", name);
    if (name.empty())
        throw std::runtime_error("the submission has no mod name; give --name");

    std::string modEntry, uploadFrom, uploadTo;
    if (!modLists.empty()) {
        const std::string author = args.get("author", fieldOf(sub, "modmaker"));
        const std::string map = args.get("map", fieldOf(sub, "map"));
        checkListField("maker's name", author);
        checkListField("map", map);
        if (!isSafePathName(author))
            throw std::runtime_error("the maker's name \"" + printable(author) +
                                     "\" cannot be a folder name; give --author");
        uploadFrom = args.get("file");
        std::string fileName = args.get(
            "as", uploadFrom.empty() ? "" : std::filesystem::path(uploadFrom).filename().string());
        if (fileName.empty())
            throw std::runtime_error("give --file PATH, the mod's file as fetched from the "
                                     "submitted link (or --as NAME for a file already in "
                                     "uploads/)");
        checkListField("file name", fileName);
        if (!isSafePathName(fileName))
            throw std::runtime_error("\"" + printable(fileName) + "\" cannot be a file name");
        uploadTo = ctx.catalogue.uploadPath(author, fileName);
        if (uploadFrom.empty() && !std::filesystem::is_regular_file(uploadTo))
            throw std::runtime_error(uploadTo + " does not exist; give --file PATH");
        if (!uploadFrom.empty() && !std::filesystem::is_regular_file(uploadFrom))
            throw std::runtime_error(uploadFrom + " is not a file");
        modEntry = name + "|" + author + "|" + map + "|" + fileName;
    }

    std::string utilityEntry;
    if (utility) {
        std::string version;
        for (const auto &[tick, words] : {std::pair{"trial", "Trial"}, std::pair{"pc", "PC"},
                                          std::pair{"xbox", "Xbox"}, std::pair{"halo2", "Halo 2"}})
            if (ticked(sub, tick))
                version += (version.empty() ? "" : ", ") + std::string(words);
        version = args.get("halo-version", version);
        const std::string link = args.get("link", fieldOf(sub, "modlink"));
        checkListField("Halo version", version);
        checkListField("link", link);
        utilityEntry = name + "|" + version + "|" + link;
    }

    // Everything is checked; now edit, one file at a time, each replaced whole.
    EditLock lock(ctx.catalogue);
    std::vector<std::string> done;
    if (!uploadFrom.empty()) {
        makeDirectories(std::filesystem::path(uploadTo).parent_path().string());
        copyFileAtomic(uploadFrom, uploadTo);
        std::cout << "copied " << uploadFrom << " to " << uploadTo << "\n";
    }
    auto append = [&](const std::string &fileName, const std::string &entry) {
        const std::string path = ctx.catalogue.file(fileName);
        std::string list = readFile(path).value_or("");
        if (appendEntry(list, entry)) {
            writeFileAtomic(path, list);
            std::cout << "listed in " << fileName << ": " << printable(entry) << "\n";
        } else {
            std::cout << "already in " << fileName << ": " << printable(entry) << "\n";
        }
        done.push_back(fileName);
    };
    for (const Edition *e : modLists)
        append(e->file, modEntry);
    if (utility)
        append(utilitiesFile, utilityEntry);

    std::string note = "listed in ";
    for (std::size_t i = 0; i < done.size(); ++i)
        note += (i ? ", " : "") + done[i];
    ctx.store.setState(id, "approved", note);
    std::cout << "submission #" << id << " approved\n";
    return 0;
}

int rejectSubmission(const Arguments &args)
{
    Context ctx(args);
    const std::int64_t id = parseId(args);
    pendingSubmission(ctx, id);
    ctx.store.setState(id, "rejected", args.get("reason"));
    std::cout << "submission #" << id << " rejected\n";
    return 0;
}

namespace {

int editBanned(const Arguments &args, bool ban)
{
    if (args.positional.size() != 1)
        throw std::runtime_error("give exactly one address");
    const std::string &address = args.positional.front();
    if (address.empty() || address.find_first_of("| \t\r\n") != std::string::npos)
        throw std::runtime_error("\"" + printable(address) + "\" is not an address");
    const Catalogue catalogue(args.get("catalogue", "."));
    EditLock lock(catalogue);
    const std::string path = catalogue.file(bannedFile);
    std::string text = readFile(path).value_or("");
    // The client compares entries untrimmed: a line break at the end would hide the last one.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::vector<std::string> entries;
    if (!text.empty())
        entries = split(text, '|');
    const auto same = [&](const std::string &e) { return equalsIgnoreCase(e, address); };
    const bool listed = std::any_of(entries.begin(), entries.end(), same);
    if (ban && listed) {
        std::cout << address << " is already banned\n";
        return 0;
    }
    if (!ban && !listed) {
        std::cout << address << " is not banned\n";
        return 0;
    }
    if (ban)
        entries.push_back(address);
    else
        entries.erase(std::remove_if(entries.begin(), entries.end(), same), entries.end());
    // Empty entries (from "||" or a leading "|") would ban a machine without an address.
    entries.erase(std::remove(entries.begin(), entries.end(), std::string()), entries.end());
    writeFileAtomic(path, join(entries, '|'));
    std::cout << address << (ban ? " banned\n" : " unbanned\n");
    return 0;
}

} // namespace

int banAddress(const Arguments &args)
{
    return editBanned(args, true);
}

int unbanAddress(const Arguments &args)
{
    return editBanned(args, false);
}

} // namespace tarnvale::server
