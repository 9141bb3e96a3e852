#include "frmAbout.h"

#include "MessageBox.h"
#include "ProgramInfo.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    return result;
}

} // namespace

frmAbout::frmAbout(const QIcon& icon, QWidget* parent, SystemInformation systemInformation)
    : QDialog(parent)
    , m_systemInformation(std::move(systemInformation))
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    m_Image1 = label(this, "Image1", QString());
    m_Image1->setPixmap(icon.pixmap(48, 48));
    m_Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_lblTitle = label(this, "lblTitle", QString());
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblVersion = label(this, "lblVersion", QString());
    m_lblDescription = label(this, "lblDescription", ProgramInfo::makerName());
    m_lblDisclaimer = label(this, "lblDisclaimer", QString());
    m_lblDisclaimer->setWordWrap(true);

    auto* lblEmail = label(this, "lblEmail", QStringLiteral("E-Mail:"));
    auto* lblWeb = label(this, "lblWeb", QStringLiteral("Web Site:"));
    addLink(0, ProgramInfo::makerEmail());
    addLink(1, ProgramInfo::makerWebAddress());

    m_cmdOK = new QPushButton(QStringLiteral("Aceptar"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdSysInfo = new QPushButton(QStringLiteral("&Información..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setAutoDefault(false);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_lblTitle);
    texts->addWidget(m_lblVersion);
    texts->addWidget(m_lblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(m_Image1);
    top->addLayout(texts, 1);

    auto* links = new QGridLayout;
    links->addWidget(lblEmail, 0, 0);
    links->addWidget(m_lblLink.at(0), 0, 1);
    links->addWidget(lblWeb, 1, 0);
    links->addWidget(m_lblLink.at(1), 1, 1);
    links->setColumnStretch(1, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblDisclaimer, 1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(separator(this));
    layout->addLayout(links);
    layout->addWidget(separator(this));
    layout->addLayout(bottom);

    Form_Load();
}

void frmAbout::addLink(int index, const QString& text)
{
    // The holder stands for the picture box whose pointer shows that the address can be opened.
    auto* link = new QLabel(
        QStringLiteral("<a href=\"#\">") + text.toHtmlEscaped() + QStringLiteral("</a>"), this);
    link->setObjectName(QStringLiteral("lblLink"));
    link->setProperty("Index", index);
    link->setToolTip(text);
    link->setTextInteractionFlags(Qt::NoTextInteraction);
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
    m_lblLink.append(link);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("Acerca de ") + ProgramInfo::title());
    m_lblVersion->setText(QStringLiteral("Versión ") + ProgramInfo::versionText());
    m_lblTitle->setText(ProgramInfo::title());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int index = m_lblLink.indexOf(qobject_cast<QLabel*>(watched));
        if (index >= 0 && mouse->button() == Qt::LeftButton) {
            lblLink_Click(index);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::lblLink_Click(int index)
{
    // Whatever the desktop makes of it is its own business, as with any link.
    if (index == 0)
        QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + ProgramInfo::makerEmail()));
    else if (index == 1)
        QDesktopServices::openUrl(QUrl(ProgramInfo::makerWebAddress()));
}

void frmAbout::StartSysInfo()
{
    if (m_systemInformation.start())
        return;
    MessageBox::show(this, QStringLiteral("System Information Is Unavailable At This Time"),
                     MessageIcon::None);
}
