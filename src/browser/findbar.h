#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QWebEngineFindTextResult;
class QWebEnginePage;

// The portal window's find bar, below the pages: a text box that searches the current tab's page
// as it is typed in (Enter: the next match, Shift+Enter: the one before), buttons for the previous
// and the next match, how many there are, and a close button.
class FindBar final : public QWidget
{
    Q_OBJECT
public:
    // The page to search: the current tab's, or none.
    using CurrentPage = std::function<QWebEnginePage *()>;

    explicit FindBar(CurrentPage currentPage, QWidget *parent = nullptr);

    // Shows the bar with its text selected for typing over, and searches again for that text.
    void open();
    // Takes the highlight off the page searched last and hides the bar.
    void dismiss();
    // A page's search has finished; the bar shows where it got when that is the page it searched.
    void showResult(const QWebEnginePage *page, const QWebEngineFindTextResult &result);

signals:
    // The bar was shown and has been hidden; `hadFocus`: the focus was in it, and is the page's
    // to take back.
    void dismissed(bool hadFocus);

private:
    void find(bool backward);

    CurrentPage m_currentPage;
    QLineEdit *m_text;
    QLabel *m_result;
    // The page the bar searched last, whose highlight goes when the bar closes.
    QPointer<QWebEnginePage> m_page;
};
