#include "platform/helperchannel.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onTerminate(int)
{
    // Ends the helper in order (the profile writes its cookies out) from the event loop; should
    // that loop be stuck, the alarm ends it anyway.
    ::alarm(2);
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

} // namespace

// The input's descriptor, watched for bytes to read.
struct HelperChannel::Reading
{
    explicit Reading(int input) : notifier(qintptr(input), QSocketNotifier::Read) { }

    QSocketNotifier notifier;
};

// Takes the channel off the standard descriptors: nothing the engine or its libraries print
// can reach the program as a message, and the processes the engine starts do not inherit it.
bool HelperChannel::takeDescriptors(int &input, int &output)
{
    input = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    output = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (input < 0 || output < 0)
        return false;
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return false;
    ::close(nothing);
    return true;
}

HelperChannel::~HelperChannel()
{
    ::close(m_input);
    ::close(m_output);
}

void HelperChannel::startReading()
{
    m_reading = std::make_shared<Reading>(m_input);
    connect(&m_reading->notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[kReadSize];
        const ssize_t got = ::read(m_input, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        emit received(got > 0 ? QByteArray(buffer, got) : QByteArray());
    });
}

void HelperChannel::stopReading()
{
    if (m_reading)
        m_reading->notifier.setEnabled(false);
}

qint64 HelperChannel::writeSome(const char *data, qint64 size)
{
    for (;;) {
        const ssize_t wrote = ::write(m_output, data, size_t(size));
        if (wrote >= 0 || errno != EINTR)
            return wrote;
    }
}

void quitOnTerminationSignal(QCoreApplication *app)
{
    if (::pipe2(signalPipe, O_CLOEXEC) == 0) {
        auto *notifier = new QSocketNotifier(qintptr(signalPipe[0]), QSocketNotifier::Read, app);
        QObject::connect(notifier, &QSocketNotifier::activated, app, [] { QCoreApplication::quit(); });
        std::signal(SIGTERM, onTerminate);
        std::signal(SIGINT, onTerminate);
    }
}
