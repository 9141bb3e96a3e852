#include "frmSplash.h"

#include "ProgramInfo.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSysInfo>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, qreal pointSize,
                  bool bold)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

frmSplash::frmSplash(const QIcon& logo, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(ProgramInfo::title());
    setWindowIcon(logo);
    setFocusPolicy(Qt::StrongFocus);

    // The dialog border and the inner frame around the texts.
    setStyleSheet(QStringLiteral("frmSplash { border: 2px outset palette(mid); }"));
    auto* Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(logo.pixmap(96, 96));
    imgLogo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblProductName = makeLabel(Frame1, "lblProductName", QString(), 24, true);
    lblVersion = makeLabel(Frame1, "lblVersion", QStringLiteral("Versión 1.0"), 11, true);
    lblPlatform = makeLabel(Frame1, "lblPlatform", QString(), 11, true);
    lblWarning = makeLabel(Frame1, "lblWarning", QString(), 8, false);
    lblWarning->setWordWrap(true);
    lblCompany = makeLabel(Frame1, "lblCompany", ProgramInfo::makerName(), 9, false);
    lblCopyright = makeLabel(
        Frame1, "lblCopyright",
        QStringLiteral("© Sistemas del Arroyo, Paraná, Entre Ríos. Todos los derechos reservados."),
        8, false);
    lblCopyright->setWordWrap(true);
    for (QLabel* right : {lblVersion, lblPlatform})
        right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblProductName);
    texts->addWidget(lblVersion);
    texts->addWidget(lblPlatform);
    texts->addStretch(1);
    texts->addWidget(lblCompany);
    texts->addWidget(lblCopyright);
    texts->addWidget(lblWarning);

    auto* inside = new QHBoxLayout(Frame1);
    inside->setContentsMargins(16, 16, 16, 16);
    inside->setSpacing(20);
    inside->addWidget(imgLogo);
    inside->addLayout(texts, 1);

    auto* outside = new QVBoxLayout(this);
    outside->setContentsMargins(8, 8, 8, 8);
    outside->addWidget(Frame1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(Timer1IntervalMs);
    // A coarse timer may fire up to 5 % early; the splash stays its full three seconds.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    Form_Load();
    setFixedSize(qMax(440, sizeHint().width()), qMax(240, sizeHint().height()));
    Timer1->start();
}

void frmSplash::Form_Load()
{
    lblVersion->setText(QStringLiteral("Versión ") + ProgramInfo::versionText());
    lblProductName->setText(ProgramInfo::title());
    lblPlatform->setText(QString::number(QSysInfo::WordSize) + QStringLiteral(" bits"));
}

void frmSplash::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QWidget::showEvent(event);
    // A splash window is not always given the keyboard; the first key should reach it.
    activateWindow();
    setFocus();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    Form_KeyPress();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        Form_KeyPress();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::Form_KeyPress()
{
    handOver();
}

void frmSplash::Timer1_Timer()
{
    Timer1->stop();
    handOver();
}

void frmSplash::handOver()
{
    // A key pressed while the main window loads must not load it twice.
    if (m_handedOver)
        return;
    m_handedOver = true;
    Timer1->stop();
    emit showMainWindow();
    close();
}
