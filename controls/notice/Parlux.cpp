#include "Parlux.h"

#include "PanelMetrics.h"
#include "RegionalText.h"

#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

const QColor Black(0, 0, 0);
const QColor Green(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);

// One label of the panel: where it sits in twips and how it writes.
struct LabelLayout
{
    QLatin1String name;
    int left;
    int top;
    int width;
    int height;
    QLatin1String family;
    qreal points;
    bool bold;
    QColor colour;
    Qt::Alignment alignment;
    bool wordWrap;
};

const QLatin1String Arial("Arial");
const QLatin1String MsSansSerif("MS Sans Serif");

constexpr int PanelWidthTwips = 4260;
constexpr int PanelHeightTwips = 2205;

void paintBlack(QWidget* widget, const QColor& textColour = White)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Black);
    palette.setColor(QPalette::WindowText, textColour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* makeLabel(QWidget* parent, const PanelMetrics& metrics, const LabelLayout& layout,
                  const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(layout.name);
    label->setGeometry(metrics.toPixels(layout.left, layout.top, layout.width, layout.height));
    label->setFont(panelFont(layout.family, layout.points, layout.bold));
    // Text lines start at the top of their box, as the panel was drawn.
    label->setAlignment(layout.alignment | Qt::AlignTop);
    label->setWordWrap(layout.wordWrap);
    label->setTextFormat(Qt::PlainText);
    label->setMargin(0);
    label->setIndent(0);
    paintBlack(label, layout.colour);
    return label;
}

QPixmap indicatorPicture(const QSize& size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Black);
    QSvgRenderer renderer(QStringLiteral(":/parlux/activado.svg"));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

} // namespace

Parlux::Parlux(QWidget* parent)
    : QWidget(parent)
{
    buildPanel();
}

Parlux::~Parlux() = default;

void Parlux::buildPanel()
{
    const PanelMetrics metrics = PanelMetrics::forScreen(screen());
    m_panelSize = metrics.toPixels(0, 0, PanelWidthTwips, PanelHeightTwips).size();

    // The control itself is black too, so a host box slightly wider than the picture box shows no
    // stray strip.
    paintBlack(this);

    m_picture1 = new QWidget(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(QRect(QPoint(0, 0), m_panelSize));
    paintBlack(m_picture1);

    const auto left = Qt::AlignLeft;
    const auto right = Qt::AlignRight;
    const auto centre = Qt::AlignHCenter;
    // clang-format off
    m_lblTelefono = makeLabel(m_picture1, metrics, {QLatin1String("lblTelefono"), 600, 120, 1815, 255, Arial, 12.0, true, Green, left, false}, QStringLiteral("0000000"));
    m_lblFecha = makeLabel(m_picture1, metrics, {QLatin1String("lblFecha"), 3240, 150, 855, 195, Arial, 8.25, false, Yellow, right, false}, QStringLiteral("Fecha"));
    m_lblHora = makeLabel(m_picture1, metrics, {QLatin1String("lblHora"), 3240, 390, 855, 195, Arial, 8.25, false, Yellow, right, false}, QStringLiteral("Hora"));
    m_lblNombre = makeLabel(m_picture1, metrics, {QLatin1String("lblNombre"), 120, 780, 3915, 255, Arial, 11.25, true, Green, centre, false}, QStringLiteral("Nombre"));
    m_lblDireccion = makeLabel(m_picture1, metrics, {QLatin1String("lblDireccion"), 120, 1080, 3915, 255, Arial, 11.25, true, Green, centre, false}, QStringLiteral("Dirección"));
    m_lblObservaciones = makeLabel(m_picture1, metrics, {QLatin1String("lblObservaciones"), 300, 1500, 3555, 435, Arial, 8.25, false, Green, left, true}, QStringLiteral("Observaciones"));
    m_lblNota = makeLabel(m_picture1, metrics, {QLatin1String("lblNota"), 600, 420, 1155, 195, Arial, 8.25, false, Yellow, left, false}, QStringLiteral("Nota"));
    m_lblAviso = makeLabel(m_picture1, metrics, {QLatin1String("lblAviso"), 2520, 120, 645, 240, MsSansSerif, 9.75, true, Red, centre, false}, QStringLiteral("!"));
    m_lblNumPuesto = makeLabel(m_picture1, metrics, {QLatin1String("lblNumPuesto"), 120, 420, 315, 195, Arial, 8.25, false, White, centre, false}, QStringLiteral("0"));
    // clang-format on

    m_imgActivado = new QLabel(m_picture1);
    m_imgActivado->setObjectName(QStringLiteral("imgActivado"));
    m_imgActivado->setGeometry(metrics.toPixels(60, 120, 390, 300));
    m_imgActivado->setScaledContents(true);
    m_imgActivado->setPixmap(indicatorPicture(m_imgActivado->size(), devicePixelRatioF()));
    paintBlack(m_imgActivado);
    m_imgActivado->hide();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(BlinkIntervalMs);
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &Parlux::Timer1_Timer);

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(m_panelSize);
}

QSize Parlux::sizeHint() const
{
    return m_panelSize;
}

qint16 Parlux::Puesto() const
{
    bool ok = false;
    const qint16 value = m_lblNumPuesto->text().trimmed().toShort(&ok);
    return ok ? value : 0;
}

void Parlux::setPuesto(int puesto)
{
    // The stored value is a 16-bit integer; a wider one is held at the nearest it can keep.
    const int kept = std::clamp<int>(puesto, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max());
    m_lblNumPuesto->setText(QString::number(kept));
    emit propertyChanged(QStringLiteral("Puesto"));
}

void Parlux::setEnabledFlag(bool enabled)
{
    m_enabled = enabled;
    if (enabled) {
        m_imgActivado->show();
        m_lblNumPuesto->setVisible(m_puestoVisible);
    } else {
        m_imgActivado->hide();
        m_lblNumPuesto->hide();
        Ocultar();
    }
    emit propertyChanged(QStringLiteral("Enabled"));
}

void Parlux::setPuestoVisible(bool visible)
{
    m_puestoVisible = visible;
    emit propertyChanged(QStringLiteral("PuestoVisible"));
}

QString Parlux::Aviso() const
{
    return m_lblAviso->text();
}

void Parlux::setAviso(const QString& aviso)
{
    m_lblAviso->setText(aviso);
    emit propertyChanged(QStringLiteral("Aviso"));
}

void Parlux::Mostrar(const QString& Num, const QDate& F, const QTime& H, const QString& Nom,
                     const QString& Dom, const QString& Ob, bool Al, const QString& N)
{
    m_lblTelefono->setText(Num);
    m_lblFecha->setText(shortDateText(F));
    m_lblHora->setText(shortTimeText(H));
    m_lblNombre->setText(Nom);
    m_lblDireccion->setText(Dom);
    m_lblObservaciones->setText(Ob);
    m_lblAviso->setVisible(Al);
    m_lblNota->setText(N);

    m_lblTelefono->show();
    m_lblNombre->show();
    m_lblFecha->show();
    m_lblHora->show();
    m_lblDireccion->show();
    m_lblObservaciones->show();
    m_lblNota->show();

    // A second call during a blink keeps both the count and the tick already due, so the
    // sequence still ends 14 ticks after it began.
    if (!m_timer1->isActive())
        m_timer1->start();
}

void Parlux::Ocultar()
{
    m_lblTelefono->hide();
    m_lblNombre->hide();
    m_lblDireccion->hide();
    m_lblFecha->hide();
    m_lblHora->hide();
    m_lblObservaciones->hide();
    m_lblAviso->hide();
    m_lblNota->hide();
}

void Parlux::Timer1_Timer()
{
    m_timer1->stop();
    ++m_blinkCount;
    const bool on = m_blinkCount % 2 == 0;
    m_lblFecha->setVisible(on);
    m_lblHora->setVisible(on);
    m_imgActivado->setVisible(on);
    if (m_blinkCount == BlinkTicks) {
        m_blinkCount = 0;
        if (!m_enabled)
            m_imgActivado->hide();
        return;
    }
    m_timer1->start();
}

void Parlux::initNew()
{
    setAviso(QStringLiteral("!"));
    setPuesto(0);
    setPuestoVisible(true);
    setEnabledFlag(true);
}

PropertyLoadResult Parlux::readProperties(const PropertyBag& bag)
{
    static const QString names[] = {QStringLiteral("Aviso"), QStringLiteral("Puesto"),
                                    QStringLiteral("PuestoVisible"), QStringLiteral("Enabled")};
    // Nothing is applied unless the whole set is there, so a failed load leaves the panel as it
    // was.
    for (const QString& name : names) {
        if (!bag.read(name))
            return PropertyLoadResult::missing(name);
    }
    setAviso(bag.read(names[0])->toString());
    setPuesto(bag.read(names[1])->toInt());
    setPuestoVisible(bag.read(names[2])->toBool());
    setEnabledFlag(bag.read(names[3])->toBool());
    return PropertyLoadResult::success();
}

void Parlux::writeProperties(PropertyBag& bag) const
{
    bag.write(QStringLiteral("Aviso"), Aviso());
    bag.write(QStringLiteral("Puesto"), Puesto());
    bag.write(QStringLiteral("PuestoVisible"), PuestoVisible());
    bag.write(QStringLiteral("Enabled"), Enabled());
}
