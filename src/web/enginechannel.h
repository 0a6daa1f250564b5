#pragma once

#include "web/pagestep.h"

#include <QByteArray>
#include <QJsonObject>

#include <chrono>
#include <optional>
#include <vector>

// Which of the engine's two silent pages a run drives.
enum class EnginePage { LogIn, LogOut };
// How a run ended; the program turns it into the status text the user sees.
enum class RunOutcome { Done, Failed, TimedOut };

// The private channel between the program and its browser engine helper: the helper's standard
// input and output carry JSON objects, each framed by its length (four bytes, big-endian), so
// no text inside a message (a password included) can end it early or start another.
//
// The program sends {"type":"run"}; the helper answers "ready" once its engine is up, "started"
// and "ended" for each run, and "bye" before it ends by itself when idle.
namespace EngineChannel {

// A message longer than this breaks the channel: no run needs a fraction of it.
constexpr qsizetype kMaxMessage = 1 << 20;

QByteArray encode(const QJsonObject &message);

// Cuts the bytes read from the other side into messages.
class Reader
{
public:
    void append(const QByteArray &bytes);
    // The next whole message, if it has arrived.
    std::optional<QJsonObject> next();
    // Whether the other side broke the framing (a message too long, or not a JSON object);
    // nothing more is read from it then.
    bool broken() const { return m_broken; }

private:
    QByteArray m_buffer;
    bool m_broken = false;
};

struct Run
{
    quint64 id = 0;
    EnginePage page = EnginePage::LogIn;
    std::vector<PageStep> steps;
    std::chrono::milliseconds budget{ 0 };
};

QJsonObject runMessage(const Run &run);
std::optional<Run> parseRun(const QJsonObject &message);

QJsonObject plainMessage(const char *type);
QJsonObject startedMessage(quint64 id);
QJsonObject endedMessage(quint64 id, RunOutcome outcome);
// The outcome an "ended" message reports, if it is one.
std::optional<RunOutcome> parseOutcome(const QJsonObject &message);
bool isType(const QJsonObject &message, const char *type);
quint64 runId(const QJsonObject &message);

} // namespace EngineChannel
