#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <vector>

// The portal window's tabs as the helper keeps them on disk while the window is open: should the
// helper crash or be killed, the next one opens them again, each on its account's profile.
struct TabRecord
{
    struct Tab
    {
        QUrl url;
        // Whose profile the tab is on; empty for the guest's.
        QString account;
        bool operator==(const Tab &) const = default;
    };

    std::vector<Tab> tabs;
    // The tab that was current.
    int current = 0;
    // The window's geometry (QWidget::saveGeometry).
    QByteArray geometry;

    // The record with the tabs of these accounts and the guest's alone. The tab that was current
    // stays so; when it went, the one before it (or the first) is.
    TabRecord ofAccounts(const QStringList &accounts) const;

    QByteArray toJson() const;
    // What a record's file holds; nothing when it is not one. Tabs whose address the window would
    // not show (not a page of the portal) are left out.
    static std::optional<TabRecord> fromJson(const QByteArray &json);

    // Reads the record from the file; nothing when there is none or it is not one.
    static std::optional<TabRecord> read(const QString &path);
    // Replaces the file with the record in one step, readable by its owner only.
    bool write(const QString &path) const;
    static void forget(const QString &path);
};
