#pragma once

#include <map>
#include <string>
#include <vector>

// The operator's commands on the catalogue folder and the database.
namespace tarnvale::server {

// A command line after the command word: positional arguments and --name value options
// (flags without a value hold "").
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    bool has(const std::string &name) const { return options.count(name) != 0; }
    std::string get(const std::string &name, const std::string &fallback = {}) const;
};

// Each returns the process exit code and writes its report to stdout, errors to stderr.
int listRecords(const std::string &command, const Arguments &args); // reports, bugs, pending
int approveSubmission(const Arguments &args);
int rejectSubmission(const Arguments &args);
int banAddress(const Arguments &args);
int unbanAddress(const Arguments &args);

} // namespace tarnvale::server
