#pragma once

#include "web/enginechannel.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QSocketNotifier;
class WebEngineBrowser;

// The helper's side of the channel: reads runs and pages to open from the program, hands them
// to the engine, reports how each run went and what the portal window asks of the program, and
// ends the helper when the program goes (its input ends) or when no run has come for the idle
// time and the portal window is closed.
class EngineServer : public QObject
{
    Q_OBJECT
public:
    // `input` and `output` are the channel's file descriptors (the C runtime's on Windows).
    EngineServer(int input, int output, std::chrono::milliseconds idleEnd, QObject *parent = nullptr);
    ~EngineServer() override;

    // Serves runs on `browser` from now on, and tells the program the engine is ready.
    void serve(WebEngineBrowser *browser);

signals:
    // The helper should end now.
    void ending();

private:
    void startReading();
    // What came from the program; nothing when its input has ended.
    void received(const QByteArray &data);
    void onMessage(const QJsonObject &message);
    void write(const QJsonObject &message);
    void restartIdleTime();
    void endWhenIdle();
    // Reads no more and ends the helper.
    void stop();

    int m_input;
    int m_output;
#ifdef Q_OS_WIN
    // A pipe on Windows has no readiness to wait for: a thread of its own reads it.
    struct InputThread;
    std::shared_ptr<InputThread> m_inputThread;
#else
    QSocketNotifier *m_notifier = nullptr;
#endif
    EngineChannel::Reader m_reader;
    WebEngineBrowser *m_browser = nullptr;
    QTimer m_idle;
    bool m_ended = false;
};
