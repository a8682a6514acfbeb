#pragma once

#include <QString>

// The settings file "settings" in the application's folder: one line, no terminator, three
// fields cut at ";": download folder, download inside the program, alert when done.
namespace tarnvale::settings {

inline constexpr char defaultLine[] = "Mod Downloads;true;true";

struct Values {
    QString dlto;
    bool medl = false;
    bool alertdl = false;
};

// Field 1 is the folder; a switch is on exactly when its field equals "true" in any letter
// case. Nothing is trimmed: a line terminator left by a hand edit belongs to its field.
Values parse(const QString &line);
QString format(const Values &values);

QString filePath();

// Reads the settings line, creating the file with the default line when there is none, and
// sets the application's dlto, medl and alertdl from it. An existing file is never
// rewritten. When the file cannot be created or read, a message box says so and the default
// line is used.
QString loadIntoApp();

// Replaces the file with the line of these values, atomically. Returns false, after a
// message box naming the file and the reason, when it cannot be written.
bool save(const Values &values);

} // namespace tarnvale::settings
