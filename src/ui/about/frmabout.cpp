#include "ui/about/frmabout.h"

#include "platform/versioninfo.h"
#include "ui/common/appicon.h"
#include "ui/common/placement.h"
#include "ui/common/twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// Client area in twips.
constexpr int kClientWidth = 3420;
constexpr int kClientHeight = 1830;
// The rule runs from (120, 840) to (3360, 840).
constexpr int kLineLeft = 120;
constexpr int kLineRight = 3360;
constexpr int kLineTop = 840;

QLabel *picture(QWidget *parent, const char *name, const QIcon &icon, int top)
{
    auto *box = new QLabel(parent);
    box->setObjectName(QLatin1String(name));
    box->setAlignment(Qt::AlignCenter);
    box->setPixmap(icon.pixmap(32, 32));
    placeInTwips(box, 120, top, 540, 540);
    return box;
}

QLabel *label(QWidget *parent, const char *name, int top)
{
    auto *text = new QLabel(QStringLiteral("Label"), parent);
    text->setObjectName(QLatin1String(name));
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text->setTextFormat(Qt::PlainText);
    placeInTwips(text, 840, top, 2535, 255);
    return text;
}

} // namespace

QString versionLabelText(unsigned major, unsigned minor, unsigned revision)
{
    return QStringLiteral("ver.%1.%2.%3").arg(major).arg(minor).arg(revision);
}

frmAbout::frmAbout(const SharedValues &shared, QWidget *parent)
    : QDialog(parent)
    , m_shared(shared)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    QFont formFont;
    // IPA P Gothic is the usual stand-in where the Windows font is not installed.
    formFont.setFamilies({ QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                           QStringLiteral("IPAPGothic") });
    formFont.setPointSize(9);
    setFont(formFont);
    setFixedSize(twipsToPixels(kClientWidth, logicalDpiX()),
                 twipsToPixels(kClientHeight, logicalDpiY()));

    pcbProduct = picture(this, "pcbProduct", applicationIcon(), 120);
    lblProductName = label(this, "lblProductName", 120);
    lblVirsion = label(this, "lblVirsion", 360);
    lblLegalTrademarks = label(this, "lblLegalTrademarks", 600);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    const int lineLeft = twipsToPixels(kLineLeft, logicalDpiX());
    Line1->setGeometry(lineLeft, twipsToPixels(kLineTop, logicalDpiY()),
                       twipsToPixels(kLineRight, logicalDpiX()) - lineLeft, 2);

    pcbCompany = picture(this, "pcbCompany", companyIcon(), 960);
    lblCompanyName = label(this, "lblCompanyName", 960);
    lblLegalCopyright = label(this, "lblLegalCopyright", 1200);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    placeInTwips(cmdOK, 2520, 1440, 780, 255);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    placeDialogAtRememberedPosition(this, m_shared);
    lblProductName->setText(QString::fromUtf8(VersionInfo::productName));
    lblCompanyName->setText(QString::fromUtf8(VersionInfo::companyName));
    lblVirsion->setText(versionLabelText(VersionInfo::major, VersionInfo::minor,
                                         VersionInfo::revision));
    lblLegalCopyright->setText(QString::fromUtf8(VersionInfo::legalCopyright));
    lblLegalTrademarks->setText(QString::fromUtf8(VersionInfo::legalTrademarks));
}

void frmAbout::cmdOK_Click()
{
    close();
}
