#pragma once

#include "ui/common/sharedvalues.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The About box "バージョン情報": the product and maker pictures, the product name, the
// version, the trademark, the maker and the copyright line of the version information.
// It is made afresh for each opening and destroys itself when it closes.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    // `shared` holds where the box opens (the settings window's remembered position) and
    // whether it stays on top.
    explicit frmAbout(const SharedValues &shared, QWidget *parent = nullptr);
    ~frmAbout() override;

    // Puts the box on the remembered position (on top of others when the always-on-top flag
    // is set) and fills the labels from the version information.
    void Form_Load();

    QLabel *pcbProduct;
    QLabel *pcbCompany;
    QFrame *Line1;
    QLabel *lblProductName;
    QLabel *lblCompanyName;
    QLabel *lblVirsion;
    QLabel *lblLegalCopyright;
    QLabel *lblLegalTrademarks;
    QPushButton *cmdOK;

public slots:
    void cmdOK_Click();

private:
    const SharedValues &m_shared;
};

// The version label: "ver.<major>.<minor>.<revision>", the third field of the version left out.
QString versionLabelText(unsigned major, unsigned minor, unsigned revision);
