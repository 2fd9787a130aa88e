#pragma once

#include <QString>
#include <stdexcept>

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

// libsodium could not be initialised or had no memory to hash: nothing the
// database did, so not a DatabaseError. Thrown by the functions above.
class PasswordError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace hra::domain
