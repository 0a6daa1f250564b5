#pragma once

#include <QString>

#include <functional>
#include <memory>

class QObject;

// The desktop's keyring, as the program uses it: text values under keys of its own, read,
// written and removed asynchronously. Every call answers exactly once, later, through its
// callback, unless the keyring object is gone by then. A locked keyring asks the desktop to
// unlock it (its own prompt), and the call waits for that.
class Keyring
{
public:
    // Why a call did not do what it was asked.
    enum class Failure {
        None,
        // Nothing is kept under the key (a removal of such a key succeeds instead).
        NotFound,
        // There is no keyring to talk to.
        Unavailable,
        // The keyring stayed locked: its unlock prompt was dismissed.
        Locked,
        // The keyring refused, or failed in a way it did not explain.
        Refused,
    };
    using ReadDone = std::function<void(Failure failure, const QString &value)>;
    using Done = std::function<void(Failure failure)>;

    virtual ~Keyring() = default;
    virtual void read(const QString &key, ReadDone done) = 0;
    virtual void write(const QString &key, const QString &value, Done done) = 0;
    virtual void remove(const QString &key, Done done) = 0;
};

// A key as a keyring that tells keys apart without regard to case (the Credential Manager) must
// be given it: what follows the key's first '/' (the user's own text, an ID) spells out by its
// code, "%XXXX", every character that case could confuse with another (uppercase letters, any
// character outside ASCII, and '%' itself), so that IDs differing only in case keep values of
// their own. Keys of IDs in lowercase ASCII, and keys without a '/', stay as they are.
QString caseBlindKey(const QString &key);
// The key as this system's keyring takes it: caseBlindKey() on Windows, the key itself elsewhere.
QString systemKey(const QString &key);
// The name under which a person finds a key's item in the keyring's own window: the program's
// name, followed by the ID for a key that holds one ("ヨルミ＠ライブドア: bob").
QString itemLabel(const QString &key);
// Gives the item just written under `key` (the key as the program knows it) of `service` the
// name itemLabel() makes, where this system's keyring lets an item be named apart from the
// attributes that find it. It happens in the background and says nothing: the value is already
// kept, and an item left with its old name is only harder to tell apart. What is still under
// way when `calls` goes is dropped.
void labelSystemItem(QObject *calls, const QString &service, const QString &key);

// The system's keyring through QtKeychain: the Secret Service on Linux desktops, the Credential
// Manager on Windows. Every value is kept under the service "yorumi-livedoor"; on the Secret
// Service, each item written is then named by itemLabel().
class SystemKeyring final : public Keyring
{
public:
    SystemKeyring();
    ~SystemKeyring() override;

    void read(const QString &key, ReadDone done) override;
    void write(const QString &key, const QString &value, Done done) override;
    void remove(const QString &key, Done done) override;

private:
    // The parent of the running calls: calls still running when the keyring goes end with it,
    // without answering.
    std::unique_ptr<QObject> m_calls;
};
