#pragma once

#include "PropertyBag.h"
#include "parlux_export.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QWidget>

class QLabel;
class QTimer;

// The caller notice panel: a black display that shows the current caller in coloured text and
// blinks the date, the time and the activation indicator when a call arrives.
class PARLUX_EXPORT Parlux : public QWidget, public PersistentControl
{
    Q_OBJECT
    Q_PROPERTY(qint16 Puesto READ Puesto WRITE setPuesto NOTIFY propertyChanged)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledFlag NOTIFY propertyChanged)
    Q_PROPERTY(bool PuestoVisible READ PuestoVisible WRITE setPuestoVisible NOTIFY propertyChanged)
    Q_PROPERTY(QString Aviso READ Aviso WRITE setAviso NOTIFY propertyChanged)

public:
    // Ticks of the blink timer in one sequence, and the time between ticks.
    static constexpr int BlinkTicks = 14;
    static constexpr int BlinkIntervalMs = 200;

    explicit Parlux(QWidget* parent = nullptr);
    ~Parlux() override;

    [[nodiscard]] qint16 Puesto() const;
    void setPuesto(int puesto);

    // The control's own on/off flag; QWidget's enabled state is left alone.
    [[nodiscard]] bool Enabled() const { return m_enabled; }
    void setEnabledFlag(bool enabled);

    [[nodiscard]] bool PuestoVisible() const { return m_puestoVisible; }
    // Takes effect on the workstation number only at the next switch-on.
    void setPuestoVisible(bool visible);

    [[nodiscard]] QString Aviso() const;
    void setAviso(const QString& aviso);

    // Shows a call. A missing date or time leaves its line empty. A call during a running blink
    // keeps the running count, so the sequence ends on time.
    void Mostrar(const QString& Num = {}, const QDate& F = {}, const QTime& H = {},
                 const QString& Nom = {}, const QString& Dom = {}, const QString& Ob = {},
                 bool Al = false, const QString& N = {});
    // Hides the call's texts; the workstation number and the indicator stay as they are.
    void Ocultar();

    // Ticks since the last sequence ended (0 when not blinking).
    [[nodiscard]] int blinkCount() const { return m_blinkCount; }

    void initNew() override;
    [[nodiscard]] PropertyLoadResult readProperties(const PropertyBag& bag) override;
    void writeProperties(PropertyBag& bag) const override;

    [[nodiscard]] QSize sizeHint() const override;

signals:
    // A stored property changed, so the host knows its description needs saving.
    void propertyChanged(const QString& name);

private:
    void Timer1_Timer();
    void buildPanel();

    QWidget* m_picture1 = nullptr;
    QLabel* m_lblTelefono = nullptr;
    QLabel* m_lblFecha = nullptr;
    QLabel* m_lblHora = nullptr;
    QLabel* m_lblNombre = nullptr;
    QLabel* m_lblDireccion = nullptr;
    QLabel* m_lblObservaciones = nullptr;
    QLabel* m_lblNota = nullptr;
    QLabel* m_lblAviso = nullptr;
    QLabel* m_lblNumPuesto = nullptr;
    QLabel* m_imgActivado = nullptr;
    QTimer* m_timer1 = nullptr;

    bool m_enabled = false;
    bool m_puestoVisible = false;
    qint16 m_blinkCount = 0;
    QSize m_panelSize;
};
