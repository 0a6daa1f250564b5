#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

class QCoreApplication;

// The engine helper's channel to the program: what were its standard input and output. The
// program writes runs and pages to open into the one and reads from the other how they went.
// How the input is read differs from one system to another: on Unix its descriptor is watched
// for bytes to read; on Windows, where a pipe has no readiness to wait for, a thread of its own
// reads it.
class HelperChannel final : public QObject
{
    Q_OBJECT
public:
    // Takes the channel off the standard descriptors, before the engine starts: nothing the
    // engine or its libraries print can reach the program as a message, and the processes the
    // engine starts do not inherit it. Null when there is no channel to take.
    static std::unique_ptr<HelperChannel> take();
    ~HelperChannel() override;

    // Reads from now on; until then what the program sends waits in the pipe.
    void startReading();
    // Reads no more.
    void stopReading();
    // Writes some of `size` bytes; how many, or a negative number on failure.
    qint64 writeSome(const char *data, qint64 size);

signals:
    // What came from the program; nothing when its input has ended.
    void received(const QByteArray &data);

private:
    HelperChannel(int input, int output) : m_input(input), m_output(output) { }
    // Moves the channel to descriptors of its own, leaving the standard ones harmless.
    static bool takeDescriptors(int &input, int &output);

    // The most one read takes.
    static constexpr int kReadSize = 16384;

    // What reads the input, as the system has it.
    struct Reading;

    // The channel's file descriptors (the C runtime's on Windows).
    int m_input;
    int m_output;
    std::shared_ptr<Reading> m_reading;
};

// Ends the helper in order (its event loop returns, and the profile writes its cookies out) on
// a request to terminate: SIGTERM or SIGINT. Windows has no such signals.
void quitOnTerminationSignal(QCoreApplication *app);
