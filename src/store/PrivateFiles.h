#pragma once

#include <QString>

namespace hra::store {

// Health data is for the person at the keyboard only: folders this program
// makes for it are 0700, its files 0600, whatever the umask says.

// Makes the folder and any missing parent, each readable by the owner only.
// Folders that exist are left as they are. False when one cannot be made.
bool makePrivateFolder(const QString& path);
// Makes an existing file readable and writable by its owner only.
bool makePrivateFile(const QString& path);

} // namespace hra::store
