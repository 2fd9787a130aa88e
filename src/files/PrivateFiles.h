#pragma once

#include <QString>
#include <QStringList>

namespace hra::files {

// Health data is for the person at the keyboard only: folders this program
// makes for it are 0700, whatever the umask says.

// Makes the folder and any missing parent, each readable by the owner only.
// Folders that exist are left as they are. False when one cannot be made.
bool makePrivateFolder(const QString& path);

// A writer replaces only a regular file of its own. Why `target` may not
// be, empty when it may: `whenProtected` when it is one of `protectedFiles`
// (the same file, also through a symbolic or hard link, or by its name when
// it does not exist yet); when it exists and is no regular file (a device, a
// pipe, a folder), the same words for every writer.
QString replaceRefusal(const QString& target, const QStringList& protectedFiles,
                       const QString& whenProtected);

// The template of a temporary file beside `target` that a later run can tell
// as ours and as abandoned: ".<name>.hra-<process id>-XXXXXX".
QString temporaryTemplate(const QString& target);

// Removes temporary files of `target` left by runs of this program that were
// killed (their process is gone).
void removeAbandonedTemporaries(const QString& target);

// True when the file system holding `folder` has less than a megabyte left,
// the way a write that failed is told as a full disk. A folder that is not
// there, or a read-only file system, has no free space to tell: false.
bool nearlyFull(const QString& folder);

} // namespace hra::files
