#include "platform/helperchannel.h"

#include <qt_windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <thread>

// A pipe on Windows has no readiness to wait for: a thread of its own reads it. This is what
// the reading thread and the channel share: the channel, until it reads no more.
struct HelperChannel::Reading
{
    std::mutex mutex;
    HelperChannel *channel = nullptr;
};

// Takes the channel off the standard descriptors: nothing the engine or its libraries print
// can reach the program as a message. The channel's descriptors read and write bytes as they
// are (no line-end translation), and their handles are not inherited by the processes the
// engine starts.
bool HelperChannel::takeDescriptors(int &input, int &output)
{
    input = _dup(0);
    output = _dup(1);
    if (input < 0 || output < 0 || _setmode(input, _O_BINARY) < 0 || _setmode(output, _O_BINARY) < 0)
        return false;
    for (const int descriptor : { input, output }) {
        const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
        if (handle == INVALID_HANDLE_VALUE || !SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0))
            return false;
    }
    const int nothing = _open("NUL", _O_RDONLY);
    if (nothing < 0 || _dup2(nothing, 0) < 0 || _dup2(2, 1) < 0)
        return false;
    _close(nothing);
    return true;
}

HelperChannel::~HelperChannel()
{
    // The reading thread may wait in a read that only the program's end finishes: it closes
    // the input itself then, or the helper's end does.
    if (m_reading) {
        const std::lock_guard lock(m_reading->mutex);
        m_reading->channel = nullptr;
    } else {
        _close(m_input);
    }
    _close(m_output);
}

void HelperChannel::startReading()
{
    m_reading = std::make_shared<Reading>();
    m_reading->channel = this;
    std::thread([shared = m_reading, input = m_input] {
        for (bool more = true; more;) {
            char buffer[kReadSize];
            const int got = _read(input, buffer, sizeof buffer);
            more = got > 0;
            const std::lock_guard lock(shared->mutex);
            if (!shared->channel)
                break;
            // Handed to the channel's thread, which drops it should the channel be gone by then.
            QMetaObject::invokeMethod(
                    shared->channel,
                    [channel = shared->channel, data = more ? QByteArray(buffer, got) : QByteArray()] {
                        emit channel->received(data);
                    },
                    Qt::QueuedConnection);
        }
        _close(input);
    }).detach();
}

void HelperChannel::stopReading()
{
    if (m_reading) {
        const std::lock_guard lock(m_reading->mutex);
        m_reading->channel = nullptr;
    }
}

qint64 HelperChannel::writeSome(const char *data, qint64 size)
{
    return _write(m_output, data, unsigned(std::min<qint64>(size, INT_MAX)));
}

void quitOnTerminationSignal(QCoreApplication *)
{
    // Windows has no such signals: there the helper ends with its input, or is ended.
}
