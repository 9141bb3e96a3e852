#include "Parlux.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QDate CallDate(2024, 11, 23);
const QTime CallTime(14, 5, 9);

const QStringList CallTexts = {QStringLiteral("lblTelefono"),  QStringLiteral("lblNombre"),
                               QStringLiteral("lblDireccion"), QStringLiteral("lblFecha"),
                               QStringLiteral("lblHora"),      QStringLiteral("lblObservaciones"),
                               QStringLiteral("lblAviso"),     QStringLiteral("lblNota")};

int twipsPerPixel(const QWidget& widget)
{
    return qRound(1440.0 / widget.screen()->logicalDotsPerInch());
}

QRect twipsRect(const QWidget& widget, int left, int top, int width, int height)
{
    const double tpp = twipsPerPixel(widget);
    return {qRound(left / tpp), qRound(top / tpp), qRound(width / tpp), qRound(height / tpp)};
}

// Text is smoothed onto black: its strokes come out close to, not exactly at, the full colour.
bool isInkOf(const QColor& pixel, const QColor& colour)
{
    const auto near = [](int seen, int wanted) {
        return wanted ? seen >= 180 : seen <= 60;
    };
    return near(pixel.red(), colour.red()) && near(pixel.green(), colour.green()) &&
           near(pixel.blue(), colour.blue());
}

} // namespace

class ParluxTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<Parlux> m_panel;

    QLabel* label(const QString& name) const
    {
        auto* found = m_panel->findChild<QLabel*>(name);
        if (!found)
            qFatal("the panel has no child named %s", qPrintable(name));
        return found;
    }
    bool shown(const QString& name) const { return label(name)->isVisibleTo(m_panel.get()); }
    QTimer* timer1() const { return m_panel->findChild<QTimer*>(QStringLiteral("Timer1")); }

    // Waits for the running blink sequence to end; returns the ticks counted meanwhile.
    int ticksUntilBlinkEnds(QSignalSpy& ticks, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (timer1()->isActive() && clock.elapsed() < timeoutMs)
            QTest::qWait(10);
        return int(ticks.count());
    }

private slots:
    void initTestCase()
    {
        m_environment = std::make_unique<TestEnvironment>();
        QVERIFY(m_environment->isValid());
    }

    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        m_panel = std::make_unique<Parlux>();
    }

    void cleanup() { m_panel.reset(); }

    void createdPanelHasItsPartsInPlace()
    {
        for (const QString& name : CallTexts)
            QVERIFY2(shown(name), qPrintable(name));
        QVERIFY(!label(QStringLiteral("imgActivado"))->isVisibleTo(m_panel.get()));
        QCOMPARE(label(QStringLiteral("lblAviso"))->text(), QStringLiteral("!"));
        QCOMPARE(m_panel->Puesto(), qint16(0));
        QVERIFY(timer1());
        QCOMPARE(timer1()->interval(), 200);
        QVERIFY(!timer1()->isActive());

        const Parlux& p = *m_panel;
        auto* picture = m_panel->findChild<QWidget*>(QStringLiteral("Picture1"));
        QVERIFY(picture);
        QCOMPARE(picture->geometry(), twipsRect(p, 0, 0, 4260, 2205));
        QCOMPARE(m_panel->sizeHint(), picture->size());
        QCOMPARE(label(QStringLiteral("lblTelefono"))->geometry(),
                 twipsRect(p, 600, 120, 1815, 255));
        QCOMPARE(label(QStringLiteral("lblFecha"))->geometry(), twipsRect(p, 3240, 150, 855, 195));
        QCOMPARE(label(QStringLiteral("lblObservaciones"))->geometry(),
                 twipsRect(p, 300, 1500, 3555, 435));
        QCOMPARE(label(QStringLiteral("imgActivado"))->geometry(), twipsRect(p, 60, 120, 390, 300));
        QVERIFY(label(QStringLiteral("lblObservaciones"))->wordWrap());
        QVERIFY(!label(QStringLiteral("imgActivado"))->pixmap().isNull());

        if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))) {
            QCOMPARE(label(QStringLiteral("lblNombre"))->font().family(),
                     QStringLiteral("Liberation Sans"));
        }
        QVERIFY(label(QStringLiteral("lblNombre"))->font().bold());
        QCOMPARE(label(QStringLiteral("lblNombre"))->font().pointSizeF(), 11.25);
    }

    void newInstanceTakesTheDefaultsInLoadOrder()
    {
        QSignalSpy changes(m_panel.get(), &Parlux::propertyChanged);
        m_panel->initNew();

        QCOMPARE(m_panel->Aviso(), QStringLiteral("!"));
        QCOMPARE(m_panel->Puesto(), qint16(0));
        QVERIFY(m_panel->PuestoVisible());
        QVERIFY(m_panel->Enabled());
        QVERIFY(shown(QStringLiteral("imgActivado")));
        QVERIFY(shown(QStringLiteral("lblNumPuesto")));
        QStringList order;
        for (const auto& change : changes)
            order << change.at(0).toString();
        QCOMPARE(order, (QStringList{QStringLiteral("Aviso"), QStringLiteral("Puesto"),
                                     QStringLiteral("PuestoVisible"), QStringLiteral("Enabled")}));
    }

    void storedInstanceLoadsAndSaves()
    {
        // As the main window stores its panel: switched off, so the placeholders never show.
        VariantMapPropertyBag stored(
            QVariantMap{{QStringLiteral("Aviso"), QStringLiteral("Alerta")},
                        {QStringLiteral("Puesto"), 0},
                        {QStringLiteral("PuestoVisible"), true},
                        {QStringLiteral("Enabled"), false}});
        QVERIFY(m_panel->readProperties(stored).ok());
        QCOMPARE(m_panel->Aviso(), QStringLiteral("Alerta"));
        QVERIFY(!m_panel->Enabled());
        for (const QString& name : CallTexts)
            QVERIFY2(!shown(name), qPrintable(name));
        QVERIFY(!shown(QStringLiteral("lblNumPuesto")));
        QVERIFY(!shown(QStringLiteral("imgActivado")));

        // The workstation flag is read before Enabled decides on the number; values may arrive
        // as the texts a settings file holds.
        Parlux active;
        VariantMapPropertyBag activeSet(
            QVariantMap{{QStringLiteral("Aviso"), QStringLiteral("¡Ojo!")},
                        {QStringLiteral("Puesto"), QStringLiteral("7")},
                        {QStringLiteral("PuestoVisible"), QStringLiteral("true")},
                        {QStringLiteral("Enabled"), QStringLiteral("true")}});
        QVERIFY(active.readProperties(activeSet).ok());
        QCOMPARE(active.Puesto(), qint16(7));
        QVERIFY(active.findChild<QLabel*>(QStringLiteral("lblNumPuesto"))->isVisibleTo(&active));

        VariantMapPropertyBag saved;
        active.writeProperties(saved);
        QCOMPARE(saved.values().size(), 4);
        QCOMPARE(saved.values().value(QStringLiteral("Aviso")).toString(), QStringLiteral("¡Ojo!"));
        QCOMPARE(saved.values().value(QStringLiteral("Puesto")).toInt(), 7);
        QCOMPARE(saved.values().value(QStringLiteral("PuestoVisible")).toBool(), true);
        QCOMPARE(saved.values().value(QStringLiteral("Enabled")).toBool(), true);
    }

    void storedSetLackingAPropertyFailsToLoad_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::newRow("Aviso") << QStringLiteral("Aviso");
        QTest::newRow("Puesto") << QStringLiteral("Puesto");
        QTest::newRow("PuestoVisible") << QStringLiteral("PuestoVisible");
        QTest::newRow("Enabled") << QStringLiteral("Enabled");
    }

    void storedSetLackingAPropertyFailsToLoad()
    {
        QFETCH(QString, missing);
        QVariantMap values{{QStringLiteral("Aviso"), QStringLiteral("Alerta")},
                           {QStringLiteral("Puesto"), 4},
                           {QStringLiteral("PuestoVisible"), true},
                           {QStringLiteral("Enabled"), true}};
        values.remove(missing);
        m_panel->initNew();
        QSignalSpy changes(m_panel.get(), &Parlux::propertyChanged);

        const PropertyLoadResult result = m_panel->readProperties(VariantMapPropertyBag(values));
        QVERIFY(!result.ok());
        QCOMPARE(result.missingProperty, missing);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(m_panel->Aviso(), QStringLiteral("!"));
    }

    void newClientShowsEmptyLinesAndNoAlert()
    {
        m_panel->initNew();
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime, QStringLiteral("Ana"),
                         QStringLiteral("Calle 1"), QStringLiteral("Nota vieja"), true,
                         QStringLiteral("Cant: 3"));
        m_panel->Mostrar(QStringLiteral("4123456"), CallDate, CallTime);

        QCOMPARE(label(QStringLiteral("lblTelefono"))->text(), QStringLiteral("4123456"));
        for (const char* name : {"lblNombre", "lblDireccion", "lblObservaciones", "lblNota"}) {
            QVERIFY2(label(QLatin1String(name))->text().isEmpty(), name);
            QVERIFY2(shown(QLatin1String(name)), name);
        }
        QVERIFY(!shown(QStringLiteral("lblAviso")));
        QCOMPARE(label(QStringLiteral("lblAviso"))->text(), QStringLiteral("!"));
    }

    void anonymousCallerShowsOnlyTheName()
    {
        m_panel->initNew();
        m_panel->Mostrar(QString(), CallDate, CallTime, QStringLiteral("ANÓNIMO"));
        QCOMPARE(label(QStringLiteral("lblTelefono"))->text(), QString());
        QVERIFY(shown(QStringLiteral("lblTelefono")));
        QCOMPARE(label(QStringLiteral("lblNombre"))->text(), QStringLiteral("ANÓNIMO"));
    }

    void dateAndTimeFollowTheRegionWithFourDigitYears()
    {
        m_panel->Mostrar(QStringLiteral("1"), CallDate, CallTime);
        QCOMPARE(label(QStringLiteral("lblFecha"))->text(), QStringLiteral("23/11/2024"));
        QCOMPARE(label(QStringLiteral("lblHora"))->text(), QStringLiteral("14:05"));

        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_panel->Mostrar(QStringLiteral("1"), QDate(1999, 2, 3), CallTime);
        QCOMPARE(label(QStringLiteral("lblFecha"))->text(), QStringLiteral("2/3/1999"));

        // A date or time left out leaves its line blank rather than showing a made-up moment.
        m_panel->Mostrar(QStringLiteral("1"));
        QCOMPARE(label(QStringLiteral("lblFecha"))->text(), QString());
        QCOMPARE(label(QStringLiteral("lblHora"))->text(), QString());
    }

    void workstationNumberFollowsOnlyAtTheNextSwitchOn()
    {
        m_panel->initNew();
        QVERIFY(shown(QStringLiteral("lblNumPuesto")));

        m_panel->setPuestoVisible(false);
        QVERIFY(!m_panel->PuestoVisible());
        QVERIFY(shown(QStringLiteral("lblNumPuesto")));
        m_panel->setEnabledFlag(true);
        QVERIFY(!shown(QStringLiteral("lblNumPuesto")));

        m_panel->setPuestoVisible(true);
        QVERIFY(!shown(QStringLiteral("lblNumPuesto")));
        m_panel->setEnabledFlag(true);
        QVERIFY(shown(QStringLiteral("lblNumPuesto")));
    }

    void puestoIsTheNumberShown()
    {
        QSignalSpy changes(m_panel.get(), &Parlux::propertyChanged);
        m_panel->setPuesto(3);
        QCOMPARE(label(QStringLiteral("lblNumPuesto"))->text(), QStringLiteral("3"));
        QCOMPARE(m_panel->Puesto(), qint16(3));
        QCOMPARE(m_panel->property("Puesto").value<qint16>(), qint16(3));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("Puesto"));

        QVERIFY(m_panel->setProperty("Puesto", 10));
        QCOMPARE(m_panel->Puesto(), qint16(10));
        label(QStringLiteral("lblNumPuesto"))->setText(QStringLiteral("x"));
        QCOMPARE(m_panel->Puesto(), qint16(0));
    }

    void switchedOffPanelShowsACallAndEndsTheBlinkDark()
    {
        m_panel->initNew();
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime, QStringLiteral("Ana"), {},
                         {}, true);
        m_panel->setEnabledFlag(false);
        QVERIFY(!m_panel->Enabled());
        const auto labels = m_panel->findChildren<QLabel*>();
        for (const QLabel* each : labels)
            QVERIFY2(!each->isVisibleTo(m_panel.get()), qPrintable(each->objectName()));

        // Record the three blinking parts after every tick; the panel's own handler runs first.
        QList<QList<bool>> states;
        QSignalSpy ticks(timer1(), &QTimer::timeout);
        connect(timer1(), &QTimer::timeout, this, [&] {
            states << QList<bool>{shown(QStringLiteral("lblFecha")),
                                  shown(QStringLiteral("lblHora")),
                                  shown(QStringLiteral("imgActivado"))};
        });
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime);
        for (const char* name : {"lblTelefono", "lblNombre", "lblFecha", "lblHora", "lblDireccion",
                                 "lblObservaciones", "lblNota"})
            QVERIFY2(shown(QLatin1String(name)), name);

        QCOMPARE(ticksUntilBlinkEnds(ticks, 5000), Parlux::BlinkTicks);
        for (int tick = 1; tick < Parlux::BlinkTicks; ++tick) {
            const bool on = tick % 2 == 0;
            QCOMPARE(states.at(tick - 1), (QList<bool>{on, on, on}));
        }
        QCOMPARE(states.last(), (QList<bool>{true, true, false}));
        QVERIFY(!shown(QStringLiteral("lblNumPuesto")));
        QCOMPARE(m_panel->blinkCount(), 0);
    }

    void secondCallDuringABlinkDoesNotLengthenIt()
    {
        m_panel->initNew();
        QSignalSpy ticks(timer1(), &QTimer::timeout);
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime);
        QTest::qWait(1000);
        QVERIFY(timer1()->isActive());
        m_panel->Mostrar(QStringLiteral("4123456"), CallDate, CallTime);

        QCOMPARE(ticksUntilBlinkEnds(ticks, 6000), Parlux::BlinkTicks);
        const qint64 length = sinceFirst.elapsed();
        QVERIFY2(length >= 2800, qPrintable(QString::number(length)));
        // A restarted count would end at 3.8 s.
        QVERIFY2(length < 3600, qPrintable(QString::number(length)));
        QVERIFY(shown(QStringLiteral("lblFecha")));
        QVERIFY(shown(QStringLiteral("imgActivado")));

        // The next call starts a fresh sequence.
        ticks.clear();
        m_panel->Mostrar(QStringLiteral("4123456"), CallDate, CallTime);
        QTest::qWait(450);
        QCOMPARE(ticks.count(), 2);
        QCOMPARE(m_panel->blinkCount(), 2);
    }

    void renderingShowsColouredTextsInTheirBoxesOnBlack()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        m_panel->initNew();
        m_panel->setAviso(QStringLiteral("Alerta"));
        m_panel->setPuesto(2);
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime, QStringLiteral("Juan Díaz"),
                         QStringLiteral("Av. Corrientes 1234"),
                         QStringLiteral("Cliente de la mañana; prefiere que lo llamen después de "
                                        "las 10."),
                         true, QStringLiteral("Cant: 5"));
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
        const QImage image = m_panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const qreal ratio = image.devicePixelRatio();

        if (const QByteArray folder = qgetenv("LLAMORA_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(
                image.save(QDir(QFile::decodeName(folder)).filePath(QStringLiteral("parlux.png"))));

        struct Expected
        {
            const char* label;
            QColor colour;
        };
        const Expected expected[] = {
            {"lblTelefono", QColor(0, 255, 0)},     {"lblNombre", QColor(0, 255, 0)},
            {"lblDireccion", QColor(0, 255, 0)},    {"lblObservaciones", QColor(0, 255, 0)},
            {"lblFecha", QColor(255, 255, 0)},      {"lblHora", QColor(255, 255, 0)},
            {"lblNota", QColor(255, 255, 0)},       {"lblAviso", QColor(255, 0, 0)},
            {"lblNumPuesto", QColor(255, 255, 255)}};
        QRegion inked;
        for (const Expected& each : expected) {
            const QRect box = label(QLatin1String(each.label))->geometry();
            inked += box;
            int matching = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    if (isInkOf(image.pixelColor(QPoint(x, y) * ratio), each.colour))
                        ++matching;
            QVERIFY2(matching >= 5, each.label);
        }
        inked += label(QStringLiteral("imgActivado"))->geometry();

        for (int y = 0; y < m_panel->height(); ++y)
            for (int x = 0; x < m_panel->width(); ++x)
                if (!inked.contains(QPoint(x, y)))
                    QVERIFY2(image.pixelColor(QPoint(x, y) * ratio) == QColor(Qt::black),
                             qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    }
};

QTEST_MAIN(ParluxTest)
#include "ParluxTest.moc"
