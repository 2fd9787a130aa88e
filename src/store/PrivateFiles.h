#pragma once

#include "files/PrivateFiles.h"
#include "store/Settings.h"

#include <QString>
#include <QStringList>

namespace hra::store {

// Health data is for the person at the keyboard only: folders this program
// makes for it are 0700 (files::makePrivateFolder), its files 0600, whatever
// the umask says.

using files::makePrivateFolder;
// Temporary files beside a target, named so that a later run can tell them
// as ours and abandoned (files/PrivateFiles).
using files::removeAbandonedTemporaries;
using files::temporaryTemplate;
// Makes an existing file readable and writable by its owner only.
bool makePrivateFile(const QString& path);

// A writer replaces only a regular file of its own. Why `target` may not be
// written: it is one of `protectedFiles` (the same file, also through a
// symbolic or hard link), or it exists and is no regular file (a device, a
// pipe, a folder). Empty when it may.
QString targetRefusal(const QString& target, const QStringList& protectedFiles);

// The files a SQLite database is made of: the file and its logs.
QStringList sqliteFiles(const QString& databaseFile);
// The files on this machine that the database of `settings` is made of, which
// no export may replace: a SQLite database's file and logs; none for a server.
QStringList databaseFiles(const ConnectionSettings& settings);

// Why `source` cannot be read as a file: missing, or no regular file (a
// folder, a device or a pipe, which would block or never end). Empty when it
// can. Never opens it.
QString sourceRefusal(const QString& source);

} // namespace hra::store
