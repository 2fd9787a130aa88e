#include "domain/Passwords.h"

#include <QByteArray>
#include <sodium.h>

namespace hra::domain {
namespace {

void ensureSodium()
{
    static const int ready = sodium_init();
    if (ready < 0)
        throw PasswordError("libsodium could not be initialised");
}

} // namespace

bool isPasswordHash(const QString& stored)
{
    return stored.trimmed().startsWith(QLatin1String("$argon2id$"));
}

QString hashPassword(const QString& password)
{
    ensureSodium();
    const QByteArray plain = password.trimmed().toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, plain.constData(), static_cast<unsigned long long>(plain.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw PasswordError("not enough memory to hash a password");
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString& stored, const QString& typed)
{
    const QString storedTrimmed = stored.trimmed();
    const QString typedTrimmed = typed.trimmed();
    if (!isPasswordHash(storedTrimmed))
        return storedTrimmed == typedTrimmed;
    ensureSodium();
    const QByteArray hash = storedTrimmed.toLatin1();
    const QByteArray plain = typedTrimmed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), plain.constData(),
                                    static_cast<unsigned long long>(plain.size())) == 0;
}

QString generatePassword(int length)
{
    ensureSodium();
    // Without look-alikes (0/O, 1/l/I) so that it can be read off a screen.
    static const char alphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    const uint32_t n = sizeof(alphabet) - 1;
    QString out;
    for (int i = 0; i < length; ++i)
        out += QLatin1Char(alphabet[randombytes_uniform(n)]);
    return out;
}

} // namespace hra::domain
