#include "browser/engineprofiles.h"
#include "browser/findbar.h"
#include "browser/gesturerule.h"
#include "browser/portaltabs.h"
#include "browser/portalwindow.h"
#include "browser/tabpane.h"
#include "browser/renewalbar.h"
#include "common/filesizelimit.h"
#include "ui/common/accountmark.h"
#include "web/accountprofile.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QNetworkCookie>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineCookieStore>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <memory>
#include <optional>

namespace {

// What reached the test's output while a test looked.
QStringList g_messages;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_messages << message;
    g_previousHandler(type, context, message);
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The portal with an expired login: it sends its members' pages to the login form.
class ExpiredLogin : public QWebEngineUrlRequestInterceptor
{
public:
    explicit ExpiredLogin(const QUrl &form)
        : m_form(form)
    {
    }
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (expired && info.requestUrl().path().startsWith(QLatin1String("/members/")))
            info.redirect(m_form);
    }
    bool expired = true;

private:
    QUrl m_form;
};

} // namespace

// The portal window in the test's own process, on profiles in a folder of the test's that reach
// no host: its page's context menu, its address bar, and its tabs of several accounts.
class tst_PortalWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void contextMenuSpeaksJapanese();
    void addressBar_data();
    void addressBar();
    void escapePutsThePageAddressBack();
    void consoleMessagesStayInThePage();
    void gestureBelongsToItsPageAndItsAddress();
    void outsideAddressesWaitForTheUser();
    void tabsShowTheirAccount();
    void tabKeysGoRound();
    void tabIdsAreNotGivenTwice();
    void recordBringsTheTabsBack();
    void tabMenuOpensThePageAsAnotherAccount();
    void forgottenProfileGoesWithItsLastTab();
    void loginReloadsOnlyItsAccountsPlainPages();
    void renewalBarTakesTheTabBack();
    void idleProfileGoesAndComesBackWithItsCookies();
    void accountColoursTellAccountsApart();

private:
    QWebEngineView *view() const { return m_window->findChild<QWebEngineView *>(); }
    QLineEdit *address() const { return m_window->findChild<QLineEdit *>(QStringLiteral("address")); }
    QTabBar *tabs() const { return m_window->findChild<QTabBar *>(QStringLiteral("tabs")); }
    // The current tab's page and the bar above it.
    QWidget *currentPane() const
    {
        return m_window->findChild<QStackedWidget *>(QStringLiteral("pages"))->currentWidget();
    }

    // Each test function has profiles of its own and a window of its own with one guest tab.
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<EngineProfiles> m_profiles;
    std::unique_ptr<PortalWindow> m_window;
};

void tst_PortalWindow::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_profiles = std::make_unique<EngineProfiles>(m_folder->filePath(QStringLiteral("profile")),
                                                  m_folder->filePath(QStringLiteral("cache")));
    m_window = std::make_unique<PortalWindow>(*m_profiles);
    m_window->openTab(QUrl(QStringLiteral("about:blank")), QString());
    QVERIFY(view());
    QVERIFY(address());
    QTRY_COMPARE(view()->url(), QUrl(QStringLiteral("about:blank")));
}

void tst_PortalWindow::cleanup()
{
    m_window.reset();
    m_profiles.reset();
    m_folder.reset();
}

// Every standard action of a page, the ones its context menu offers among them, has a text, and
// none in English.
void tst_PortalWindow::contextMenuSpeaksJapanese()
{
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    QWebEnginePage *page = view()->page();
    for (int action = 0; action < QWebEnginePage::WebActionCount; ++action) {
        const QString text = page->action(QWebEnginePage::WebAction(action))->text();
        QVERIFY2(!text.isEmpty() && !text.contains(latin),
                 qPrintable(QStringLiteral("action %1: \"%2\"").arg(action).arg(text)));
    }
}

// Enter opens a page of the portal in the tab, hands any other web page to the default browser
// and opens nothing else; the bar shows the tab's address again unless the tab went on.
void tst_PortalWindow::addressBar_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("external");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("a web page elsewhere") << "https://example.org/page" << "https://example.org/page" << "";
    QTest::newRow("a file") << "/etc/passwd" << "" << "";
    QTest::newRow("a script") << "javascript:alert(1)" << "" << "";
    QTest::newRow("a page of the portal, without its scheme")
            << "www.livedoor.com/typed" << "" << "http://www.livedoor.com/typed";
}

void tst_PortalWindow::addressBar()
{
    QFETCH(QString, typed);
    QFETCH(QString, external);
    QFETCH(QString, loaded);
    const QUrl before = view()->url();
    QSignalSpy handedOn(m_window.get(), &PortalWindow::externalLinkRequested);

    address()->selectAll();
    QTest::keyClicks(address(), typed);
    QTest::keyClick(address(), Qt::Key_Return);

    QCOMPARE(handedOn.size(), external.isEmpty() ? 0 : 1);
    if (!external.isEmpty())
        QCOMPARE(handedOn[0][0].toUrl(), QUrl(external));
    if (loaded.isEmpty()) {
        QCOMPARE(view()->url(), before);
        QCOMPARE(address()->text(), before.toDisplayString());
    } else {
        QTRY_COMPARE(view()->url(), QUrl(loaded));
        QTRY_COMPARE(address()->text(), loaded);
    }
}

void tst_PortalWindow::escapePutsThePageAddressBack()
{
    const QString shown = address()->text();
    address()->selectAll();
    QTest::keyClicks(address(), QStringLiteral("half-typed"));
    QTest::keyClick(address(), Qt::Key_Escape);
    QCOMPARE(address()->text(), shown);
}

// What a portal page writes to its console stays there: the helper's output is the program's.
void tst_PortalWindow::consoleMessagesStayInThePage()
{
    g_messages.clear();
    g_previousHandler = qInstallMessageHandler(recordMessage);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(g_previousHandler); });
    view()->page()->setHtml(QStringLiteral("<script>console.error('console-probe'); console.warn('console-probe');"
                                           "console.log('console-probe'); document.title = 'written';</script>"),
                            QUrl(QStringLiteral("http://www.livedoor.com/")));
    // The page's title comes after its console's messages, on the same way from the page.
    QTRY_COMPARE(view()->title(), QStringLiteral("written"));
    QVERIFY2(g_messages.filter(QStringLiteral("console-probe")).isEmpty(), qPrintable(g_messages.join(u'\n')));
}

// The rule alone, on made-up events in stand-ins for two pages' views: a click or a key press lets
// one address go from the page it was in, only the one it activated (a form's with a query of its
// fields), and only within the span. An address it did not activate leaves it unused.
void tst_PortalWindow::gestureBelongsToItsPageAndItsAddress()
{
    qint64 now = 100000;
    GestureRule rule([&now] { return now; });
    QWidget first;
    QWidget second;
    // A view's page widget made before it was watched, and one made after.
    auto *firstPage = new QWidget(&first);
    rule.watch(&first);
    rule.watch(&second);
    auto *secondPage = new QWidget(&second);
    const auto press = [](QWidget *widget) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(widget, &event);
    };
    const auto type = [](QWidget *widget) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Return, {});
        QApplication::sendEvent(widget, &event);
    };
    const QUrl link(QStringLiteral("http://example.org/clicked"));
    const Activation clicked{ link, false };
    QVERIFY(!rule.mayLeave(&first, link, clicked));
    press(firstPage);
    QVERIFY(!rule.mayLeave(&second, link, clicked));
    QVERIFY(!rule.mayLeave(&first, QUrl(QStringLiteral("http://example.org/pushed")), clicked));
    QVERIFY(!rule.mayLeave(&first, link, {}));
    QVERIFY(rule.mayLeave(&first, link, clicked));
    QVERIFY(!rule.mayLeave(&first, link, clicked));

    type(secondPage);
    const Activation sent{ QUrl(QStringLiteral("https://example.org/search")), true };
    QVERIFY(!rule.mayLeave(&second, QUrl(QStringLiteral("https://example.org/elsewhere?q=x")), sent));
    QVERIFY(rule.mayLeave(&second, QUrl(QStringLiteral("https://example.org/search?q=x")), sent));

    press(firstPage);
    now += GestureRule::kSpan.count() + 1;
    QVERIFY(!rule.mayLeave(&first, link, clicked));
}

// A page's script that leads off the portal, again and again, hands nothing to the default browser
// and opens no window; the window says what it kept back. Each of the user's clicks on a link off
// the portal lets that link go, and only it, however fast the script pushes its own addresses; the
// user typing in another tab lets nothing of the first tab's go, not even the link clicked there
// before.
void tst_PortalWindow::outsideAddressesWaitForTheUser()
{
    QSignalSpy handedOn(m_window.get(), &PortalWindow::externalLinkRequested);
    QStatusBar *status = m_window->statusBar();
    const QUrl portal(QStringLiteral("http://www.livedoor.com/"));
    // An address that Qt cannot read and the engine goes to (a host whose name ends in '-') is
    // kept back as well: nothing shows it is the portal's.
    view()->page()->setHtml(QStringLiteral("<script>location.href = 'http://away-.example/';</script>"), portal);
    QTRY_COMPARE(status->currentMessage(), QStringLiteral("既定のブラウザで開くのを止めました: "));
    QCOMPARE(view()->url(), portal);

    const QString pushing = QStringLiteral("<script>var n = 0; setInterval(function () { n++;"
                                           "window.open('http://www.livedoor.com/popup/' + n); location.href = n % 2"
                                           " ? 'http://example.org/clicked' : 'http://example.org/pushed/' + n; }, 20);"
                                           "</script>");
    view()->page()->setHtml(QStringLiteral("<body style='margin:0'><a href='http://example.org/clicked' "
                                           "style='display:block;height:100vh'>away</a>")
                                    + pushing + QStringLiteral("</body>"),
                            portal);
    // The number of the last address the window kept back, as its status bar says.
    const QString pushed = QStringLiteral("既定のブラウザで開くのを止めました: http://example.org/pushed/");
    const auto keptBack = [status, pushed] {
        const QString shown = status->currentMessage();
        return shown.startsWith(pushed) ? shown.section(u'/', -1).toInt() : 0;
    };
    QTRY_VERIFY2(keptBack() >= 3, qPrintable(status->currentMessage()));
    QCOMPARE(handedOn.size(), 0);
    for (int clicks = 1; clicks <= 10; ++clicks) {
        QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_COMPARE(handedOn.size(), clicks);
        QCOMPARE(handedOn.last().at(0).toUrl(), QUrl(QStringLiteral("http://example.org/clicked")));
    }
    // The script goes on and gets nothing.
    int before = keptBack();
    QTRY_VERIFY(keptBack() > before);
    QCOMPARE(handedOn.size(), 10);
    QCOMPARE(tabs()->count(), 1);

    m_window->openTab(QUrl(QStringLiteral("about:blank")), QString());
    QWebEngineView *typing = currentPane()->findChild<QWebEngineView *>();
    typing->page()->setHtml(QStringLiteral("<input id='field' autofocus>"), portal);
    // What the field holds, as the page answers.
    const auto typed = [typing] {
        const auto value = std::make_shared<QVariant>();
        typing->page()->runJavaScript(QStringLiteral("document.getElementById('field').value"),
                                      [value](const QVariant &result) { *value = result; });
        (void)QTest::qWaitFor([value] { return value->isValid(); }, 5000);
        return value->toString();
    };
    QTRY_COMPARE(typed(), QString());
    QSignalSpy messages(status, &QStatusBar::messageChanged);
    QTest::keyClicks(typing->focusProxy(), QStringLiteral("typed"));
    QTRY_COMPARE(typed(), QStringLiteral("typed"));
    // The first tab, in the background, has pushed twice since, and the link between.
    const auto pushedSince = [&messages, pushed] {
        return std::count_if(messages.cbegin(), messages.cend(),
                             [pushed](const QList<QVariant> &shown) { return shown[0].toString().startsWith(pushed); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(pushedSince() >= 2, 10000);
    QCOMPARE(handedOn.size(), 10);
}

// Each tab's label starts with its account, the guest's with ゲスト; the window's title ends with
// the current tab's. The tabs are above the address bar, as in browsers. A screen reader hears a
// tab's mark as its account, the address bar as アドレス, and every button and field in sight by
// a name. The close button is drawn in the style's own grey, not as Qt's orange fallback box.
void tst_PortalWindow::tabsShowTheirAccount()
{
    m_window->openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("alice"));
    QCOMPARE(tabs()->count(), 2);
    QVERIFY2(tabs()->tabText(0).startsWith(QStringLiteral("ゲスト")), qPrintable(tabs()->tabText(0)));
    QVERIFY2(tabs()->tabText(1).startsWith(QStringLiteral("alice")), qPrintable(tabs()->tabText(1)));
    QCOMPARE(tabs()->currentIndex(), 1);
    QVERIFY2(m_window->windowTitle().endsWith(QStringLiteral(" - alice")), qPrintable(m_window->windowTitle()));

    QVERIFY(tabs()->mapTo(m_window.get(), QPoint(0, tabs()->height())).y()
            <= address()->mapTo(m_window.get(), QPoint()).y());
    const auto heard = [](QWidget *widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    QWidget *mark = tabs()->tabButton(1, QTabBar::LeftSide);
    QWidget *close = tabs()->tabButton(1, QTabBar::RightSide);
    if (!qobject_cast<QLabel *>(mark))
        std::swap(mark, close);
    QCOMPARE(heard(mark), QStringLiteral("アカウント: alice"));
    QCOMPARE(heard(address()), QStringLiteral("アドレス"));
    m_window->findChild<FindBar *>()->open();
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        if ((qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)) && widget->isVisible())
            QVERIFY2(!heard(widget).isEmpty(), widget->metaObject()->className());
    }
    const QImage drawn = close->grab().toImage();
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x)
            QVERIFY2(drawn.pixelColor(x, y).hsvSaturation() < 64, qPrintable(drawn.pixelColor(x, y).name()));
    }

    tabs()->setCurrentIndex(0);
    QVERIFY2(m_window->windowTitle().endsWith(QStringLiteral(" - ゲスト")), qPrintable(m_window->windowTitle()));
    QTest::mouseClick(close, Qt::LeftButton);
    QCOMPARE(tabs()->count(), 1);
}

// Ctrl+Tab and Ctrl+PageDown go to the next tab, Ctrl+Shift+Tab and Ctrl+PageUp to the one
// before, round the ends, wherever the focus is.
void tst_PortalWindow::tabKeysGoRound()
{
    m_window->openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("alice"));
    QCOMPARE(tabs()->count(), 2);
    tabs()->setCurrentIndex(0);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs()->currentIndex(), 1);
    QTest::keyClick(m_window.get(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs()->currentIndex(), 0);
    QTest::keyClick(m_window.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(tabs()->currentIndex(), 1);
    QTest::keyClick(m_window.get(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(tabs()->currentIndex(), 0);
    QTest::keyClick(m_window.get(), Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(tabs()->currentIndex(), 1);
}

// What the window writes down brings its web pages back in another window, each on its account's
// profile, with the same tab current; a removed account's tabs stay closed, the guest's come back.
// The window comes up behind the one the user is in, without taking its focus.
void tst_PortalWindow::recordBringsTheTabsBack()
{
    const QUrl top(QStringLiteral("http://www.livedoor.com/"));
    const QUrl blog(QStringLiteral("https://blog.livedoor.com/edit"));
    PortalWindow first(*m_profiles);
    first.openTab(top, QStringLiteral("alice"));
    first.openTab(blog, QStringLiteral("carol"));
    first.openTab(blog, QStringLiteral("bob"));
    first.openTab(top, QString());
    first.findChild<QTabBar *>()->setCurrentIndex(2);
    const QString file = m_folder->filePath(QStringLiteral("tabs.json"));
    QVERIFY(first.record().write(file));
    // A disk that takes only half the record (a file size limit) leaves the one written before,
    // and the write says it failed.
    {
        const QByteArray before = contentsOf(file);
        const std::optional<bool> written
                = underFileSizeLimit(before.size() / 2, [&] { return first.record().write(file); });
        QCOMPARE(written, std::optional(false));
        QCOMPARE(contentsOf(file), before);
    }
    first.close();

    const std::optional<TabRecord> read = TabRecord::read(file);
    QVERIFY(read);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    PortalWindow second(*m_profiles);
    second.openTabs(read->ofAccounts({ QStringLiteral("alice"), QStringLiteral("bob") }));
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    // A window shown after it: by the time it shows, the display has said whatever it had to
    // say of the first's focus.
    QWidget probe;
    probe.setAttribute(Qt::WA_ShowWithoutActivating);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QVERIFY(other.isActiveWindow());
    QVERIFY(!second.isActiveWindow());
    const TabRecord again = second.record();
    const std::vector<TabRecord::Tab> expected{ { top, QStringLiteral("alice") },
                                                { blog, QStringLiteral("bob") },
                                                { top, QString() } };
    QVERIFY(again.tabs == expected);
    QCOMPARE(again.current, 1);
    second.close();
    for (const char *notARecord : { "", "[1,2]", "{\"tabs\":\"x\"}" })
        QVERIFY(!TabRecord::fromJson(notARecord) || TabRecord::fromJson(notARecord)->tabs.empty());
    // Only pages the window shows come back.
    const QByteArray foreign = R"({"tabs":[{"url":"file:///etc/passwd","account":""},{"url":"https://example.org/","account":""}]})";
    QVERIFY(TabRecord::fromJson(foreign)->tabs.empty());
}

// A tab's context menu, for which the tab comes forward, opens its page in a new tab as the guest
// or any other account listed, in the list's order, with a profile or not; not as the tab's own
// account. One that is not logged in shows the page as the portal shows it to a visitor, with
// its login offered on the tab's bar until it is logged in. The menu opens the page in every other account logged in,
// in the list's order. The new tabs follow the tab in the order they were opened, before the tabs
// that were after it.
void tst_PortalWindow::tabMenuOpensThePageAsAnotherAccount()
{
    const QUrl top(QStringLiteral("http://www.livedoor.com/"));
    PortalWindow window(*m_profiles);
    window.openTab(top, QStringLiteral("alice"));
    window.openTab(top, QString());
    window.setAccounts({ QStringLiteral("dave"), QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol") },
                       { QStringLiteral("dave"), QStringLiteral("alice"), QStringLiteral("carol") });
    auto *tabBar = window.findChild<QTabBar *>();
    QStringList offered;
    int currentWithMenu = -1;
    QTimer::singleShot(0, this, [&] {
        currentWithMenu = tabBar->currentIndex();
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QMenu *other = menu->actions().value(0)->menu();
        QVERIFY(other);
        QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("別のアカウントで開く"));
        QAction *bob = nullptr;
        for (QAction *action : other->actions()) {
            offered << action->text();
            if (action->text() == QLatin1String("bob"))
                bob = action;
        }
        QAction *each = menu->actions().value(1);
        QVERIFY(each);
        QCOMPARE(each->text(), QStringLiteral("すべてのアカウントで開く"));
        menu->close();
        QVERIFY(bob);
        bob->trigger();
        each->trigger();
    });
    emit tabBar->customContextMenuRequested(tabBar->tabRect(0).center());
    QCOMPARE(currentWithMenu, 0);
    QCOMPARE(offered, (QStringList{ QStringLiteral("ゲスト"), QStringLiteral("dave"), QStringLiteral("bob"),
                                    QStringLiteral("carol") }));
    const TabRecord record = window.record();
    const std::vector<TabRecord::Tab> expected{ { top, QStringLiteral("alice") }, { top, QStringLiteral("bob") },
                                                { top, QStringLiteral("dave") },  { top, QStringLiteral("carol") },
                                                { top, QString() } };
    QVERIFY(record.tabs == expected);
    // bob's tab alone offers a login.
    QStringList offers;
    for (const RenewalBar *bar : window.findChildren<RenewalBar *>()) {
        if (!bar->isHidden())
            offers << bar->findChild<QLabel *>()->text() + QLatin1Char('/')
                            + bar->findChild<QPushButton *>(QStringLiteral("renew"))->text();
    }
    QCOMPARE(offers, QStringList{ QStringLiteral("bobはログインしていません。/ログイン") });
    // Until bob is logged in, from wherever.
    window.setAccounts({ QStringLiteral("bob") }, { QStringLiteral("bob") });
    for (const RenewalBar *bar : window.findChildren<RenewalBar *>())
        QVERIFY(bar->isHidden());
    window.close();
}

// The profile of an account the user removed goes, with its folder, once the last tab on it has
// closed; until then its tab goes on working. An account added back and logged in again before
// that keeps its profile, and its login, when the old tab closes.
void tst_PortalWindow::forgottenProfileGoesWithItsLastTab()
{
    const QString folder = AccountProfile::folder(m_folder->filePath(QStringLiteral("profile")), QStringLiteral("carol"));
    m_window->openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("alice"));
    m_window->openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("carol"));
    const int carol = tabs()->currentIndex();
    QVERIFY(QFileInfo::exists(folder));

    // A profile still in use stays when its account is forgotten.
    m_profiles->forget(QStringLiteral("carol"));
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/yorumi-account")));

    QTest::keyClick(m_window.get(), Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(tabs()->count(), carol);
    QTRY_VERIFY(!QFileInfo::exists(folder));

    const QString dave = QStringLiteral("dave");
    const QString daveFolder = AccountProfile::folder(m_folder->filePath(QStringLiteral("profile")), dave);
    m_window->openTab(QUrl(QStringLiteral("about:blank")), dave);
    QSignalSpy oldTabGone(currentPane()->findChild<QWebEngineView *>()->page(), &QObject::destroyed);
    m_profiles->forget(dave);
    // Added back and logged in: its login lands in the profile the old tab still holds.
    QWebEngineProfile *again = m_profiles->open(dave);
    QVERIFY(again);
    QTest::keyClick(m_window.get(), Qt::Key_W, Qt::ControlModifier);
    QTRY_COMPARE(oldTabGone.size(), 1);
    // What the old tab's end set off runs from the event loop, before this.
    bool settled = false;
    QTimer::singleShot(0, this, [&] { settled = true; });
    QTRY_VERIFY(settled);
    QVERIFY(m_profiles->hasProfile(dave));
    QCOMPARE(m_profiles->open(dave), again);
    QVERIFY(QFileInfo::exists(daveFolder + QStringLiteral("/yorumi-account")));

    // Removed (the program lists it no more), it is not made again by a page on its way. Added
    // back, it is made again by a run that ends at once, its profile going with it, and the
    // removal's retries leave that login's folder alone: another account's removal, begun just
    // after, witnesses the first of them.
    const QString frank = QStringLiteral("frank");
    const QString frankFolder = AccountProfile::folder(m_folder->filePath(QStringLiteral("profile")), frank);
    m_profiles->setListed({ QStringLiteral("alice"), dave });
    m_profiles->forget(frank);
    const int tabsBefore = tabs()->count();
    m_window->openTab(QUrl(QStringLiteral("about:blank")), frank);
    QCOMPARE(tabs()->count(), tabsBefore);
    m_profiles->setListed({ QStringLiteral("alice"), dave, frank });
    auto *run = new QWebEnginePage(m_profiles->open(frank));
    m_profiles->watchSilent(run);
    delete run;
    QTRY_VERIFY(!m_profiles->hasProfile(frank));
    const QString witness = AccountProfile::folder(m_folder->filePath(QStringLiteral("profile")), QStringLiteral("erin"));
    m_profiles->forget(QStringLiteral("erin"));
    QVERIFY(QDir().mkpath(witness));
    QTRY_VERIFY(!QFileInfo::exists(witness));
    QVERIFY(QFileInfo::exists(frankFolder + QStringLiteral("/yorumi-account")));
}

// A login or logout reloads its account's tabs, except those answering a form; the other
// accounts' and the guest's stay as they are.
void tst_PortalWindow::loginReloadsOnlyItsAccountsPlainPages()
{
    const std::vector<TabState> tabs{ { QStringLiteral("alice"), false }, { QStringLiteral("bob"), false },
                                      { QStringLiteral("alice"), true },  { QString(), false },
                                      { QStringLiteral("alice"), false } };
    QCOMPARE(tabsToReload(tabs, QStringLiteral("alice")), (std::vector<int>{ 0, 4 }));
    QCOMPARE(tabsToReload(tabs, QString()), (std::vector<int>{ 3 }));
}

// The portal sends an account's tab to its login form (as it does once the login has expired): the
// window tells so, with the address the tab was on its way to, but not of the login form the user
// opens directly. The tab's bar offers the renewal, waits for its answer, shows a failure's text,
// and once the renewal is done goes, taking the tab back to that address in the login form's
// place: going back from there leads to the page before.
// A tab's id is never given twice while the helper runs, though a window made again starts its
// tabs afresh: the renewal's answers, and its pause for a tab, go by it.
void tst_PortalWindow::tabIdsAreNotGivenTwice()
{
    const quint64 first = dynamic_cast<TabPane *>(currentPane())->id;
    m_window = std::make_unique<PortalWindow>(*m_profiles);
    m_window->openTab(QUrl(QStringLiteral("about:blank")), QString());
    QVERIFY(dynamic_cast<TabPane *>(currentPane())->id != first);
}

void tst_PortalWindow::renewalBarTakesTheTabBack()
{
    const QUrl members(QStringLiteral("http://www.livedoor.com/members/page?x=1"));
    const QUrl form(QStringLiteral("http://member.livedoor.com/login/index"));
    const QUrl before(QStringLiteral("http://www.livedoor.com/before"));
    ExpiredLogin portal(form);
    QWebEngineProfile *alice = m_profiles->open(QStringLiteral("alice"));
    alice->setUrlRequestInterceptor(&portal);
    const auto noInterceptor = qScopeGuard([alice] { alice->setUrlRequestInterceptor(nullptr); });
    QSignalSpy shown(m_window.get(), &PortalWindow::loginFormShown);
    QSignalSpy renew(m_window.get(), &PortalWindow::renewRequested);

    m_window->openTab(form, QStringLiteral("alice"));
    QWebEngineView *view = currentPane()->findChild<QWebEngineView *>();
    QVERIFY(view);
    QTRY_COMPARE(view->url(), form);
    view->load(before);
    QTRY_COMPARE(view->url(), before);
    view->load(members);
    QTRY_COMPARE(shown.size(), 1);
    QCOMPARE(shown[0][1].toString(), QStringLiteral("alice"));
    QCOMPARE(shown[0][2].toUrl(), members);
    const quint64 tab = shown[0][0].value<quint64>();

    auto *bar = currentPane()->findChild<RenewalBar *>();
    QVERIFY(bar);
    auto *text = bar->findChild<QLabel *>();
    auto *button = bar->findChild<QPushButton *>(QStringLiteral("renew"));
    QVERIFY(!bar->isVisible());
    m_window->showRenewal(tab, EngineChannel::RenewalState::Offer, {});
    QVERIFY(bar->isVisible());
    QCOMPARE(text->text(), QStringLiteral("aliceのログインが切れました。"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(renew.size(), 1);
    QCOMPARE(renew[0][0].value<quint64>(), tab);
    QCOMPARE(renew[0][1].toString(), QStringLiteral("alice"));
    QVERIFY(!button->isEnabled());
    m_window->showRenewal(tab, EngineChannel::RenewalState::Failed, QStringLiteral("ログイン失敗"));
    QCOMPARE(text->text(), QStringLiteral("ログイン失敗"));
    QVERIFY(button->isEnabled());

    // As the login ends, its account's tabs reload; then the renewal is done.
    portal.expired = false;
    m_window->reloadTabs(QStringLiteral("alice"));
    m_window->showRenewal(tab, EngineChannel::RenewalState::Done, {});
    QVERIFY(!bar->isVisible());
    QTRY_COMPARE(view->url(), members);
    QCOMPARE(shown.size(), 1);
    QTRY_VERIFY(view->history()->canGoBack());
    view->back();
    QTRY_COMPARE(view->url(), before);
}

// A profile without a page for the idle time is let go, and made again with its cookies when it
// is asked for; one with a tab stays. The portal's cookies a profile holds are told as they are
// set, outside any run, and as the profile is made again.
void tst_PortalWindow::idleProfileGoesAndComesBackWithItsCookies()
{
    using namespace std::chrono_literals;
    EngineProfiles profiles(m_folder->filePath(QStringLiteral("idle")), m_folder->filePath(QStringLiteral("idle-cache")),
                            300ms);
    QSignalSpy told(&profiles, &EngineProfiles::cookiesChanged);
    const auto toldKept = [&] {
        for (const QList<QVariant> &report : std::as_const(told)) {
            for (const QNetworkCookie &set : report[1].value<QList<QNetworkCookie>>()) {
                if (report[0].toString() == QLatin1String("erin") && set.name() == "session" && set.value() == "kept")
                    return true;
            }
        }
        return false;
    };
    PortalWindow window(profiles);
    // A tab of frank's from the start, and one of erin's, whose profile gets a cookie.
    window.openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("frank"));
    window.openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("erin"));
    QWebEngineProfile *erin = profiles.open(QStringLiteral("erin"));
    QSignalSpy set(erin->cookieStore(), &QWebEngineCookieStore::cookieAdded);
    QNetworkCookie cookie("session", "kept");
    cookie.setDomain(QStringLiteral("www.livedoor.com"));
    cookie.setPath(QStringLiteral("/"));
    cookie.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(1));
    erin->cookieStore()->setCookie(cookie, QUrl(QStringLiteral("http://www.livedoor.com/")));
    QTRY_COMPARE(set.size(), 1);
    QTRY_VERIFY(toldKept());
    told.clear();
    QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);

    QTRY_VERIFY(!profiles.hasProfile(QStringLiteral("erin")));
    QVERIFY(profiles.hasProfile(QStringLiteral("frank")));
    QWebEngineProfile *again = profiles.open(QStringLiteral("erin"));
    QVERIFY(again);
    // A page on it again, and the cookie its store kept told.
    window.openTab(QUrl(QStringLiteral("about:blank")), QStringLiteral("erin"));
    QTRY_VERIFY(toldKept());
    window.close();
}

// The guest's mark is grey; accounts get clear colours, and ten IDs alike but for a digit get
// clearly different ones (hues at least 20 degrees apart, for most of them).
void tst_PortalWindow::accountColoursTellAccountsApart()
{
    QCOMPARE(accountColour(QString()).hsvSaturation(), 0);
    QList<int> hues;
    for (int i = 1; i <= 10; ++i) {
        const QColor colour = accountColour(QStringLiteral("user%1").arg(i));
        QVERIFY(colour.hsvSaturation() >= 128);
        hues << colour.hsvHue();
    }
    std::sort(hues.begin(), hues.end());
    int apart = 0;
    for (int i = 1; i < hues.size(); ++i)
        apart += hues[i] - hues[i - 1] >= 20 ? 1 : 0;
    QVERIFY2(apart >= 5, qPrintable(QStringLiteral("%1 of 9 gaps").arg(apart)));
}

int main(int argc, char *argv[])
{
    // As the helper starts the engine: views share their contexts with it. As root the engine
    // needs its sandbox off, and no host name resolves, so nothing leaves the machine.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")
                    + " --disable-gpu --disable-background-networking"
                      " --host-resolver-rules=\"MAP * ~NOTFOUND\"");
    QApplication app(argc, argv);
    tst_PortalWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portalwindow.moc"
