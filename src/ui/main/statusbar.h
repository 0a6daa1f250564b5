#pragma once

#include <QStatusBar>

class QLabel;

// A status bar in simple mode: one text across the whole bar. The text stays until the
// next one replaces it; hovering menu entries does not wipe it. A text longer than the bar is
// shortened with "…" (the bar never widens the window); the whole text is the bar's tooltip
// and what a screen reader reads as its description.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showText();

    QLabel *m_text;
    QString m_fullText;
};
