#pragma once

#include "ui/common/statustext.h"
#include "web/browserengine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <deque>

// A browser engine that keeps every run open until the test ends it.
class FakeEngine final : public BrowserEngine
{
public:
    struct Run
    {
        EnginePage page;
        // Whose profile it runs in.
        QString account;
        std::vector<PageStep> steps;
        Done done;
    };

    void run(EnginePage page, const QString &account, std::vector<PageStep> steps,
             std::chrono::milliseconds, Done done) override
    {
        open.push_back({ page, account, std::move(steps), std::move(done) });
    }

    void openPortalPage(const QUrl &url, const QString &account, const QByteArray &) override
    {
        portalPages << url.toString();
        portalAccounts << account;
    }

    void forgetAccount(const QString &account) override { forgotten << account; }
    void prepare(const QString &) override { ++prepared; }
    void setSessions(const EngineChannel::Sessions &told) override
    {
        listed = told.listed;
        sessions = told.loggedIn;
    }
    // Each renewal as the tab's bar says it: "7 failed ログインできませんでした。".
    void showRenewal(quint64 tab, EngineChannel::RenewalState state, RunOutcome outcome) override
    {
        const char *names[] = { "offer", "done", "failed" };
        const QString text = state == EngineChannel::RenewalState::Failed
                ? StatusText::ended(EnginePage::LogIn, outcome)
                : QString();
        renewals << QStringLiteral("%1 %2 %3").arg(tab).arg(QLatin1String(names[int(state)]), text).trimmed();
    }

    // Ends the oldest open run; a login done sets the portal's session cookie, as the portal's does.
    void end(RunOutcome outcome)
    {
        Run run = std::move(open.front());
        open.pop_front();
        if (run.page == EnginePage::LogIn && outcome == RunOutcome::Done)
            emit loginCookies({ sessionCookie() });
        run.done(outcome);
    }
    // The portal's session cookie, for an hour from now.
    static EngineChannel::SessionCookie sessionCookie()
    {
        return { QStringLiteral("ldsession"), QStringLiteral(".livedoor.com"), QStringLiteral("/"),
                 QDateTime::currentDateTimeUtc().addSecs(3600) };
    }

    // The values a run's steps write into the page's fields, in order: the arguments of its
    // scripts that set a field, after the field's name.
    static QStringList filledValues(const Run &run)
    {
        QStringList values;
        for (const PageStep &step : run.steps) {
            const qsizetype call = step.script.lastIndexOf(QLatin1String(")(["));
            if (step.kind != PageStep::Retry || call < 0)
                continue;
            const QJsonArray arguments =
                    QJsonDocument::fromJson(step.script.mid(call + 2).chopped(1).toUtf8()).array();
            if (arguments.size() == 2)
                values << arguments.at(1).toString();
        }
        return values;
    }

    std::deque<Run> open;
    // The pages opened in the portal window, and the account whose profile each opened in.
    QStringList portalPages;
    QStringList portalAccounts;
    // The accounts the engine was told to forget, in order, and how often it was prepared.
    QStringList forgotten;
    int prepared = 0;
    // The accounts listed and those logged in as last told, and what each tab whose login expired
    // was told to show ("7 offer", "7 failed <text>").
    QStringList listed;
    QStringList sessions;
    QStringList renewals;
};
