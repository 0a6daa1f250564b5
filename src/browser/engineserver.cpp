#include "browser/engineserver.h"

#include "browser/webenginebrowser.h"
#include "platform/helperchannel.h"
#include "ui/common/statustext.h"

EngineServer::EngineServer(std::unique_ptr<HelperChannel> channel, std::chrono::milliseconds idleEnd,
                           QObject *parent)
    : QObject(parent)
    , m_channel(std::move(channel))
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleEnd);
    connect(&m_idle, &QTimer::timeout, this, &EngineServer::endWhenIdle);
    connect(m_channel.get(), &HelperChannel::received, this, &EngineServer::received);
}

EngineServer::~EngineServer() = default;

void EngineServer::serve(WebEngineBrowser *browser)
{
    m_browser = browser;
    using namespace EngineChannel;
    connect(browser, &WebEngineBrowser::externalLinkRequested, this,
            [this](const QUrl &url) { write(External{ url }); });
    connect(browser, &WebEngineBrowser::portalGeometryChanged, this,
            [this](const QByteArray &geometry) { write(Geometry{ geometry }); });
    connect(browser, &WebEngineBrowser::portalClosed, this, &EngineServer::restartIdleTime);
    connect(browser, &WebEngineBrowser::loginFormShown, this,
            [this](const QString &account, quint64 tab, const QUrl &from) { write(LoginForm{ account, tab, from }); });
    connect(browser, &WebEngineBrowser::renewRequested, this,
            [this](const QString &account, quint64 tab) { write(Renew{ account, tab }); });
    connect(browser, &WebEngineBrowser::cookiesChanged, this,
            [this](const QString &account, const std::vector<SessionCookie> &set,
                   const std::vector<SessionCookie> &gone) { write(Cookies{ account, set, gone }); });
    write(Ready{ kVersion });
    // Nothing is read until the engine is up: runs wait in the pipe meanwhile.
    m_channel->startReading();
    restartIdleTime();
}

void EngineServer::received(const QByteArray &data)
{
    if (m_ended)
        return;
    if (data.isEmpty()) {
        // The program has gone, or closed the channel: time to write the cookies out and end.
        stop();
        return;
    }
    m_reader.append(data);
    while (!m_ended) {
        const std::optional<QJsonObject> message = m_reader.next();
        if (!message)
            break;
        if (const std::optional<EngineChannel::ToHelper> asked = EngineChannel::parseToHelper(*message))
            onMessage(*asked);
    }
    if (m_reader.broken() && !m_ended)
        stop();
}

void EngineServer::onMessage(const EngineChannel::ToHelper &message)
{
    using namespace EngineChannel;
    std::visit(Visitor{
                       [this](const OpenPage &open) {
                           m_idle.stop();
                           m_browser->openPortalPage(open.url, open.account, open.geometry);
                           write(Opened{ open.id });
                       },
                       [this](const Restore &restore) {
                           // The program hears how many tabs came back, none included: it waits
                           // for that word before it counts on this helper to bring them back
                           // again.
                           const int restored = m_browser->restoreTabs(restore.accounts);
                           if (restored > 0)
                               m_idle.stop();
                           write(Restored{ restored });
                       },
                       [this](const Prepare &prepare) { m_browser->prepare(prepare.account); },
                       [this](const Forget &forget) { m_browser->forgetAccount(forget.account); },
                       [this](const Sessions &sessions) { m_browser->setSessions(sessions); },
                       [this](const Renewal &renewal) {
                           // The program says how the login went; the bar says it in words.
                           m_browser->showRenewal(renewal.tab, renewal.state,
                                                  StatusText::ended(EnginePage::LogIn, renewal.outcome));
                       },
                       [this](const Cancel &cancel) {
                           // The run's own Ended answers, if it is the one going on; otherwise
                           // this does. Either way the program learns that the helper still
                           // answers.
                           if (m_browser->isRunning() && cancel.run == m_running)
                               m_browser->cancel();
                           else
                               write(Ended{ cancel.run, RunOutcome::TimedOut, {} });
                       },
                       [this](const Run &run) { start(run); },
               },
               message);
}

void EngineServer::start(const EngineChannel::Run &run)
{
    using namespace EngineChannel;
    if (m_browser->isRunning()) {
        // The program sends one run at a time; one that overlaps cannot be served.
        write(Ended{ run.id, RunOutcome::Failed, {} });
        return;
    }
    m_idle.stop();
    m_running = run.id;
    write(Started{ run.id });
    m_browser->run(run.page, run.account, run.steps, run.budget,
                   [this, id = run.id, login = run.page == EnginePage::LogIn](
                           RunOutcome outcome, const std::vector<SessionCookie> &cookies) {
                       // A login that went through tells what it set, for the program to know
                       // how long it lasts.
                       write(Ended{ id, outcome, login && outcome == RunOutcome::Done ? cookies
                                                                                      : std::vector<SessionCookie>() });
                       restartIdleTime();
                   });
}

void EngineServer::write(const EngineChannel::FromHelper &message)
{
    const QByteArray frame = EngineChannel::frame(EngineChannel::encode(message));
    qsizetype done = 0;
    while (done < frame.size()) {
        const qint64 wrote = m_channel->writeSome(frame.constData() + done, frame.size() - done);
        if (wrote <= 0)
            return; // the program has gone; its input's end will follow
        done += wrote;
    }
}

void EngineServer::restartIdleTime()
{
    // The helper stays while a run or the portal window needs it.
    if (!m_ended && !m_browser->isRunning() && !m_browser->isPortalOpen())
        m_idle.start();
}

void EngineServer::endWhenIdle()
{
    if (m_ended || m_browser->isRunning() || m_browser->isPortalOpen())
        return;
    // From here on no run is read: one that the program sent meanwhile goes to a new helper.
    write(EngineChannel::Bye{});
    stop();
}

void EngineServer::stop()
{
    m_channel->stopReading();
    m_ended = true;
    emit ending();
}
