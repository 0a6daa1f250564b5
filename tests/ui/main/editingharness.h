#pragma once

// What the account-editing tests share: a running program on a private store with its
// settings window shown, ways to read the store back from disk, to make it unwritable, and to
// act on the modal entry dialog while it is open.

#include "app/program.h"
#include "common/fakeengine.h"
#include "common/fakekeyring.h"
#include "common/fakes.h"
#include "common/storesandbox.h"
#include "tray/frmtasktray.h"
#include "tray/traycallback.h"
#include "tray/windowvisibility.h"
#include "ui/main/frmmainld.h"
#include "ui/main/frmregistry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace editing {

// A started program (tray icon, settings window shown) over a store holding the given accounts.
struct Fixture
{
    Fixture(const QStringList &ids = {}, const QStringList &passwords = {})
        : program(services())
    {
        if (!ids.isEmpty())
            sandbox.seedAccounts(ids, passwords);
        start();
    }
    // A store whose file holds exactly these bytes.
    explicit Fixture(const QByteArray &storeFile)
        : program(services())
    {
        sandbox.writeStoreFile(storeFile);
        start();
    }
    // Accounts kept in `store` instead of the settings store.
    Fixture(const QStringList &ids, const QStringList &passwords, std::unique_ptr<SettingsStore> store)
        : program(services(std::move(store)))
    {
        sandbox.seedAccounts(ids, passwords);
        start();
    }
    // A store that the given function puts in place.
    explicit Fixture(const std::function<void(const StoreSandbox &)> &prepare)
        : program(services())
    {
        prepare(sandbox);
        start();
    }

    frmMainLd &window() { return program.mainLd(); }
    frmTasktray &tray() { return program.tasktray(); }

    StoreSandbox sandbox;
    FakeMessageBoxes *boxes = nullptr;
    FakeClipboard *clipboard = nullptr;
    FakeEngine *engine = nullptr;
    FakeKeyring *keyring = nullptr;
    FakeTrayNotifier *notifier = nullptr;
    Program program;

private:
    Services services(std::unique_ptr<SettingsStore> store = {})
    {
        Services services;
        services.store = std::move(store);
        services.messageBoxes.reset(boxes = new FakeMessageBoxes);
        services.clipboard.reset(clipboard = new FakeClipboard);
        services.engine.reset(engine = new FakeEngine);
        services.keyring.reset(keyring = new FakeKeyring);
        services.notifier.reset(notifier = new FakeTrayNotifier);
        return services;
    }
    void start()
    {
        program.start(true);
        program.visibility().ShowMainWindow();
    }
};

// n accounts "user0".. with passwords "pw0"..
inline QStringList numbered(const char *prefix, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i);
    return out;
}

inline QStringList rows(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline int selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

// The IDs the tray's ログイン submenu offers, in order.
inline QStringList trayLogins(const frmTasktray &tray)
{
    QStringList out;
    // The accounts' entries, without the two for every account that end the submenu.
    for (const QAction *action : tray.mnLoginP->actions())
        if (action->isVisible() && !action->isSeparator() && action != tray.mnLoginAll && action != tray.mnLogoutAll)
            out << action->text();
    return out;
}

// The account table's column of the running edition, up to its last non-empty slot.
inline QStringList tableIds(Program &program)
{
    QStringList out;
    for (qint16 slot = 0; slot < AccountTable::kSlots; ++slot)
        out << program.table().id(EditionLivedoor, slot);
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

inline QStringList tablePasswords(Program &program, int count)
{
    QStringList out;
    for (qint16 slot = 0; slot < count; ++slot)
        out << program.table().password(EditionLivedoor, slot);
    return out;
}

// What reached the store file, read afresh: every key name ("ID/ID0", "PW/PW0", ...), sorted.
inline QStringList storedKeys(const QString &storeFile)
{
    QSettings settings(storeFile, QSettings::IniFormat);
    QStringList keys = settings.allKeys();
    keys.sort();
    return keys;
}
inline QStringList storedKeys(const StoreSandbox &sandbox) { return storedKeys(sandbox.storeFile()); }

// Stored values of slots 0..slots-1 in one section ("ID" or "PW"); a missing key reads empty.
inline QStringList storedValues(const QString &storeFile, const QString &section, int count)
{
    QSettings settings(storeFile, QSettings::IniFormat);
    QStringList out;
    for (int slot = 0; slot < count; ++slot)
        out << settings.value(section + QLatin1Char('/')
                              + (section == kIdSection ? idKey(slot) : pwKey(slot)))
                        .toString();
    return out;
}
inline QStringList storedValues(const StoreSandbox &sandbox, const QString &section, int count)
{
    return storedValues(sandbox.storeFile(), section, count);
}

// Makes the store unwritable while it lives. Root writes into read-only folders, so a plain
// file takes the place of the configuration folder instead.
class StoreBlocker
{
public:
    explicit StoreBlocker(const StoreSandbox &sandbox)
        : m_folder(sandbox.configHome())
        , m_moved(sandbox.root() + QStringLiteral("/config.away"))
    {
        m_hadFolder = QFileInfo::exists(m_folder);
        if (m_hadFolder && !QDir().rename(m_folder, m_moved))
            qFatal("cannot move the test configuration folder away");
        QFile blocker(m_folder);
        if (!blocker.open(QIODevice::WriteOnly))
            qFatal("cannot block the test configuration folder");
    }
    ~StoreBlocker() { lift(); }
    void lift()
    {
        if (m_lifted)
            return;
        m_lifted = true;
        QFile::remove(m_folder);
        if (m_hadFolder)
            QDir().rename(m_moved, m_folder);
    }

private:
    QString m_folder;
    QString m_moved;
    bool m_hadFolder = false;
    bool m_lifted = false;
};

// The open entry dialog, found the way the tray finds it: by window name among the windows.
inline frmRegistry *openEntryDialog()
{
    return qobject_cast<frmRegistry *>(openTrayModalDialog(QApplication::topLevelWidgets()));
}

inline bool anyEntryDialogExists()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmRegistry *>(widget))
            return true;
    return false;
}

// Runs a script on the entry dialog as soon as the dialog's modal loop is running, then closes
// the dialog through its frame if the script left it open, so a failing script never hangs the
// test. Arm it before the click that opens the dialog. A dialog that opens only once its
// password has been read (from the keyring, which answers later) is waited for: the script runs
// when it shows.
class EntryDialogScript : public QObject
{
public:
    explicit EntryDialogScript(std::function<void(frmRegistry &)> script)
        : m_script(std::move(script))
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { run(); });
        m_timer.start(0);
    }

    bool ran() const { return m_ran; }
    // Whether the dialog was still open when the script ended.
    bool leftOpen() const { return m_leftOpen; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_ran && qobject_cast<frmRegistry *>(watched))
            m_timer.start(0);
        return false;
    }

private:
    void run()
    {
        frmRegistry *dialog = openEntryDialog();
        if (!dialog) {
            if (!m_watching)
                QApplication::instance()->installEventFilter(this);
            m_watching = true;
            return;
        }
        m_ran = true;
        m_script(*dialog);
        if (dialog->isVisible()) {
            m_leftOpen = true;
            dialog->close();
        }
    }

    std::function<void(frmRegistry &)> m_script;
    QTimer m_timer;
    bool m_ran = false;
    bool m_leftOpen = false;
    bool m_watching = false;
};

// Replaces whatever a text box holds by typing, as a person would.
// Replaces the box's text as a person would: typed key by key, or, for what keys cannot send
// one by one (a tab, which moves the focus; what an input method composes), committed by the
// input method.
inline void retype(QWidget *box, const QString &text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    const bool typable = std::all_of(text.begin(), text.end(),
                                     [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
    if (typable) {
        QTest::keyClicks(box, text);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(box, &commit);
}

} // namespace editing
