#pragma once

#include <QString>

// Where the catalogue service lives and the paths it serves.
namespace tarnvale::service {

// The base URL: scheme and host (and a port when the build names one), no trailing "/".
QString baseUrl();
// Tests point the client at an in-process service.
void setBaseUrl(const QString &url);

inline constexpr char trialListPath[] = "/tarnvale/trialmods2.txt";
inline constexpr char pcListPath[] = "/tarnvale/pcmods2.txt";
inline constexpr char xboxListPath[] = "/tarnvale/xboxmods2.txt";
inline constexpr char xbox2ListPath[] = "/tarnvale/xbox2mods2.txt";
inline constexpr char utilitiesPath[] = "/tarnvale/utilities.txt";
inline constexpr char bannedIpsPath[] = "/tarnvale/bannedips.txt";
inline constexpr char mapsPath[] = "/tarnvale/maps.txt";
inline constexpr char requestScriptPath[] = "/tarnvale/request.php";
inline constexpr char bugReportPath[] = "/tarnvale/request.php?action=bugreport&version=html";

// The base URL followed by a path, unchanged.
QString url(const QString &path);
// The request script's address; replies to posts to it are told apart from lists by it.
QString requestScriptUrl();
// Where the service keeps a mod's file, in the author's letter case. Downloads lower-case
// the whole address (downloadUrl); the broken-link report sends it as it is.
QString uploadAddress(const QString &author, const QString &file);
QString downloadUrl(const QString &author, const QString &file);

} // namespace tarnvale::service
