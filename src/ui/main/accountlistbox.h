#pragma once

#include <QListWidget>

// The settings window's list of IDs. While it has the keyboard focus, a frame in the
// selection's colour runs along its inside edge: the style marks only the current row, and only
// after a key press, in a colour that vanishes on the selection.
class AccountListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit AccountListBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
