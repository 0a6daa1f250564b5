#pragma once

#include <QStatusBar>

class QLabel;

// A status bar in simple mode: one text across the whole bar. The text stays until the
// next one replaces it; hovering menu entries does not wipe it.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);

private:
    QLabel *m_text;
};
