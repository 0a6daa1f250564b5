#include "web/frmwb.h"

#include "app/ownerfolder.h"
#include "links/hosts.h"
#include "web/statustext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPluginLoader>

namespace {

// Where the browser engine plugin is looked for: beside the program, where it is installed,
// and in the build tree.
QStringList pluginFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return { programFolder, programFolder + QStringLiteral("/../lib/yorumi-livedoor"),
             QStringLiteral(YORUMI_BUILD_PLUGIN_DIR) };
}

// Calls a script function with its arguments encoded as JSON, never spliced into the text:
// IDs and passwords reach the page exactly as stored, whatever characters they hold.
QString call(const char *function, const QJsonArray &arguments)
{
    return QStringLiteral("(%1)(%2)")
            .arg(QLatin1String(function),
                 QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)));
}

// Sets the value of the element with identifier a[0] to a[1]; false when there is none.
constexpr char kSetFieldValue[] = R"(function (a) {
    var element = document.getElementById(a[0]);
    if (!element) return false;
    try { element.value = a[1]; return true; } catch (e) { return false; }
})";

// Sends form number a[0] of the document; false when there is no such form.
constexpr char kSubmitForm[] = R"(function (a) {
    var form = document.forms[a[0]];
    if (!form) return false;
    HTMLFormElement.prototype.submit.call(form);
    return true;
})";

// Ticks the first INPUT element named "auto_login", in document order.
constexpr char kTickAutoLogin[] = R"(function () {
    var all = document.all || document.getElementsByTagName('*');
    for (var i = 0; i < all.length; i++) {
        var element = all[i];
        if (element.tagName === 'INPUT' && element.name === 'auto_login') {
            element.checked = true;
            return true;
        }
    }
    return false;
})";

// The portal shows its login form again when it refused the credentials.
constexpr char kLoginFormShown[] = R"(function () {
    return document.getElementById('livedoor_id') !== null;
})";

using Step = PageStep;

} // namespace

frmWB::frmWB(std::chrono::milliseconds runBudget, QObject *parent)
    : QObject(parent)
    , m_runBudget(runBudget)
{
    setObjectName(QStringLiteral("frmWB"));
}

frmWB::~frmWB()
{
    m_queue.clear();
    // The engine's pages go before its profile, so that it writes its cookies out.
    delete m_engine;
}

void frmWB::Form_Load()
{
    // Nothing to do until the first run: the engine is loaded then, its pages silent from
    // the moment they exist.
}

bool frmWB::startEngine()
{
    if (m_engine)
        return true;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString storage = data + QStringLiteral("/webengine");
    const QString cache = data + QStringLiteral("/webengine-cache");
    // The profile holds the portal's login cookies: its folders are the user's alone.
    if (!makeOwnerOnlyFolder(storage) || !makeOwnerOnlyFolder(cache))
        return false;
    // The graphics driver keeps a cache of its own, shared by every program of the user; the
    // engine's goes with the rest of the engine's files, unless the user chose a place.
    if (!qEnvironmentVariableIsSet("MESA_SHADER_CACHE_DIR"))
        qputenv("MESA_SHADER_CACHE_DIR", QFile::encodeName(cache));
    for (const QString &folder : pluginFolders()) {
        QPluginLoader loader(QDir(folder).filePath(QStringLiteral("yorumi-webengine")));
        if (auto *factory = qobject_cast<BrowserEngineFactory *>(loader.instance())) {
            m_engine = factory->create(storage, cache, this);
            return true;
        }
    }
    return false;
}

void frmWB::loginLD(const QString &rid, const QString &rpw, StatusCallback done)
{
    enqueue({ Page::LogIn,
              {
                      { Step::Navigate, QUrl(httpsUrl(Host::MemberLogin, QStringLiteral("/login/index"))), {} },
                      { Step::WaitIdle, {}, {} },
                      { Step::Retry, {}, call(kSetFieldValue, { QStringLiteral("livedoor_id"), rid }) },
                      { Step::WaitIdle, {}, {} },
                      { Step::Retry, {}, call(kSetFieldValue, { QStringLiteral("password"), rpw }) },
                      { Step::WaitIdle, {}, {} },
                      { Step::Once, {}, call(kTickAutoLogin, {}) },
                      { Step::SendForm, {}, call(kSubmitForm, { 0 }) },
                      { Step::WaitIdle, {}, {} },
                      { Step::FailIf, {}, call(kLoginFormShown, {}) },
              },
              StatusText::loginDone, StatusText::loginFailed, std::move(done) });
}

void frmWB::logoutLD(StatusCallback done)
{
    enqueue({ Page::LogOut,
              {
                      { Step::Navigate, QUrl(httpsUrl(Host::PortalMain, QStringLiteral("/login/logout"))), {} },
                      { Step::WaitIdle, {}, {} },
              },
              StatusText::logoutDone, StatusText::logoutFailed, std::move(done) });
}

void frmWB::enqueue(Request request)
{
    m_queue.push_back(std::move(request));
    if (!m_running)
        startNext();
}

void frmWB::startNext()
{
    if (m_running || m_queue.empty())
        return;
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    m_running = true;
    emit runStarted();
    auto finished = [this, done = std::move(request.done)](const QString &statusText) {
        m_running = false;
        emit runEnded(statusText);
        if (done)
            done(statusText);
        startNext();
    };
    if (!startEngine()) {
        // Without its engine the run cannot even begin: it fails, it does not hang.
        finished(request.failedText);
        return;
    }
    m_engine->run(request.page, std::move(request.steps), request.doneText, request.failedText,
                  m_runBudget, std::move(finished));
}
