#pragma once

#include <QString>

namespace hra::domain {

// Operator passwords. New passwords are stored as Argon2id strings; a database
// that came from an older installation may still hold plain text, which is
// accepted as long as it is there. Blanks around a password never count, so
// a password of blanks matches an empty one.
QString hashPassword(const QString& password);
bool verifyPassword(const QString& stored, const QString& typed);
bool isPasswordHash(const QString& stored);
// A fresh password of letters and digits for a new manager row.
QString generatePassword(int length = 12);

} // namespace hra::domain
