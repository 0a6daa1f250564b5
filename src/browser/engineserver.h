#pragma once

#include "web/enginechannel.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class HelperChannel;
class WebEngineBrowser;

// The helper's side of the channel: reads runs and pages to open from the program, hands them
// to the engine, reports how each run went and what the portal window asks of the program, and
// ends the helper when the program goes (its input ends) or when no run has come for the idle
// time and the portal window is closed.
class EngineServer : public QObject
{
    Q_OBJECT
public:
    EngineServer(std::unique_ptr<HelperChannel> channel, std::chrono::milliseconds idleEnd,
                 QObject *parent = nullptr);
    ~EngineServer() override;

    // Serves runs on `browser` from now on, and tells the program the engine is ready.
    void serve(WebEngineBrowser *browser);

signals:
    // The helper should end now.
    void ending();

private:
    // What came from the program; nothing when its input has ended.
    void received(const QByteArray &data);
    void onMessage(const EngineChannel::ToHelper &message);
    // Starts the run the program sent, unless one runs.
    void start(const EngineChannel::Run &run);
    void write(const EngineChannel::FromHelper &message);
    void restartIdleTime();
    void endWhenIdle();
    // Reads no more and ends the helper.
    void stop();

    std::unique_ptr<HelperChannel> m_channel;
    EngineChannel::Reader m_reader;
    WebEngineBrowser *m_browser = nullptr;
    QTimer m_idle;
    // The run the browser was last given.
    quint64 m_running = 0;
    bool m_ended = false;
};
