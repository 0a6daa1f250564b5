#include "browser/portalwindow.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

// The portal window in the test's own process, on an off-the-record profile that reaches no
// host: its page's context menu and its address bar.
class tst_PortalWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void contextMenuSpeaksJapanese();
    void addressBar_data();
    void addressBar();
    void escapePutsThePageAddressBack();

private:
    QWebEngineView *view() const { return m_window->findChild<QWebEngineView *>(); }
    QLineEdit *address() const { return m_window->findChild<QLineEdit *>(QStringLiteral("address")); }

    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<PortalWindow> m_window;
};

void tst_PortalWindow::initTestCase()
{
    m_profile = std::make_unique<QWebEngineProfile>();
    m_window = std::make_unique<PortalWindow>(m_profile.get());
    m_window->openTab(QUrl(QStringLiteral("about:blank")));
    QVERIFY(view());
    QVERIFY(address());
    QTRY_COMPARE(view()->url(), QUrl(QStringLiteral("about:blank")));
}

void tst_PortalWindow::cleanupTestCase()
{
    m_window.reset();
    m_profile.reset();
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
    // Last: the tab goes on to it.
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
