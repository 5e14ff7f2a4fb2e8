#pragma once
// Folder rules of the navigator, apart from its widgets: how a request is held, kept inside
// NavDir, whether "up" may go further, and which child folder to select again going up.
// Paths use "/"; the root is "/".

#include <QString>

namespace klv::app {

// An absolute, clean path without a trailing "/" (the root stays "/"; empty becomes "/").
QString heldFolder(const QString& path);

// The request, or navDir when the request lies outside it (whole components compared, case
// sensitive, so neither "/songs" nor "/SongsOld" escapes "/Songs").
QString keepInside(const QString& request, const QString& navDir);

// Whether "up" may leave folder: not at the root, and while restricted only below navDir.
bool upAllowed(const QString& folder, bool restricted, const QString& navDir);

// The name of the child of parent that current lies in ("Rock" for /Music/Rock/80s going to
// /Music), empty when current is not below parent.
QString childBeingLeft(const QString& current, const QString& parent);

// folder and name joined with one "/".
QString joinPath(const QString& folder, const QString& name);

} // namespace klv::app
