// Passwords kept by the desktop's Secret Service (through QtKeychain), never in a file of ours.
#pragma once

#include <QString>
#include <functional>

// The password stored for the account, or found false (with the keyring's reason) when there is none or the
// keyring could not be asked. Answers later, on the calling thread.
void ReadSecretPassword(const QString& account,
                        std::function<void(bool found, const QString& password, const QString& reason)> done);
// Stores (or, with an empty password, removes) the account's password; done may be empty.
void WriteSecretPassword(const QString& account, const QString& password,
                         std::function<void(bool ok, const QString& reason)> done = {});
