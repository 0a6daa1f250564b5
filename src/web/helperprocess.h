#pragma once

#include "platform/paths.h"
#include "web/enginechannel.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>

class QProcess;

// The engine helper's process, yorumi-browser: started on the engine's profile folders (which
// are made the user's alone) and the file of the portal window's tabs, with the channel on its
// standard input and output, its messages read as they come, and its end told with what went
// wrong. Passwords cross only its standard
// input: never its command line, its environment or a file.
class HelperProcess : public QObject
{
    Q_OBJECT
public:
    // How long the helper stays after its last run before it ends by itself.
    static constexpr std::chrono::milliseconds kIdleEnd{ 60000 };
    // How long the program's end waits for the helper to write its cookies out and end.
    static constexpr std::chrono::milliseconds kEndWait{ 2000 };

    struct Options
    {
        // The helper's executable; empty means where the program finds its own.
        QString program;
        QStringList arguments;
        std::chrono::milliseconds idleEnd = kIdleEnd;
        // The engine's profile and cache folders (each account's profile keeps its own folder
        // under them, see AccountProfile), and the file where the helper keeps the portal
        // window's open tabs.
        QString profile = Paths::engineProfile();
        QString cache = Paths::engineCache();
        QString tabs = Paths::portalTabs();
        // The accounts the program lists: a helper that brings the portal window's tabs back
        // after one ended unexpectedly leaves those of other accounts closed. None given: the
        // guest's tabs alone come back.
        std::function<QStringList()> accounts = {};
    };

    explicit HelperProcess(QObject *parent = nullptr);
    // The program's end: the end of its input tells the helper to close its pages and profile,
    // which writes the portal's cookies out; it is waited for a moment, then killed.
    ~HelperProcess() override;

    // The helper installed with the program (Paths::helperFolders()); empty when there is none.
    static QString installed();

    // Starts the helper; false, with `why`, when it cannot be started at all (no program, no
    // profile folder). Once started, it reports its end through `ended`, a failure to run
    // included.
    bool start(const Options &options, QString &why);
    void send(const EngineChannel::ToHelper &message);
    // Lets the helper go: kills it if it still runs, and the object goes once the process has
    // ended. Nothing more is heard from it.
    void retire();

    qint64 processId() const;
    // Whether its engine is up (it said "ready"), and whether it said it ends for idleness.
    bool isReady() const { return m_ready; }
    bool saidBye() const { return m_saidBye; }

signals:
    void ready();
    // Every message but Ready and Bye, in order.
    void message(const EngineChannel::FromHelper &message);
    // The helper ended, or could not be run; `failure` says how, for one that never became
    // ready.
    void ended(const QString &failure);

private:
    void read();
    void onEnded();

    QProcess *m_process = nullptr;
    EngineChannel::Reader m_reader;
    bool m_ready = false;
    bool m_saidBye = false;
    bool m_retired = false;
    // The version of the channel a helper said it speaks, when it is another than the program's.
    std::optional<int> m_otherVersion;
};
