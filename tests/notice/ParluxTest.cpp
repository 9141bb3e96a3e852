#include "Parlux.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
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

QVariantMap storedSet(const QVariant& aviso, const QVariant& puesto, const QVariant& visible,
                      const QVariant& enabled)
{
    return {{QStringLiteral("Aviso"), aviso},
            {QStringLiteral("Puesto"), puesto},
            {QStringLiteral("PuestoVisible"), visible},
            {QStringLiteral("Enabled"), enabled}};
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
    TestEnvironment m_environment;
    std::unique_ptr<Parlux> m_panel;

    QLabel* label(const char* name) const
    {
        auto* found = m_panel->findChild<QLabel*>(QLatin1String(name));
        if (!found)
            qFatal("the panel has no child named %s", name);
        return found;
    }
    bool shown(const char* name) const { return label(name)->isVisibleTo(m_panel.get()); }
    // The labels shown, by name.
    QStringList shownLabels() const
    {
        QStringList names;
        for (const QLabel* each : m_panel->findChildren<QLabel*>())
            if (each->isVisibleTo(m_panel.get()))
                names << each->objectName();
        names.sort();
        return names;
    }
    QTimer* timer1() const { return m_panel->findChild<QTimer*>(QStringLiteral("Timer1")); }

    PropertyLoadResult load(const QVariantMap& values)
    {
        return m_panel->readProperties(VariantMapPropertyBag(values));
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        m_panel = std::make_unique<Parlux>();
    }

    void cleanup() { m_panel.reset(); }

    void newInstanceTakesTheDefaultsInLoadOrder()
    {
        QSignalSpy changes(m_panel.get(), &Parlux::propertyChanged);
        m_panel->initNew();

        VariantMapPropertyBag saved;
        m_panel->writeProperties(saved);
        QCOMPARE(saved.values(), storedSet(QStringLiteral("!"), qint16(0), true, true));
        QVERIFY(shown("imgActivado"));
        QVERIFY(shown("lblNumPuesto"));
        QStringList order;
        for (const auto& change : changes)
            order << change.at(0).toString();
        QCOMPARE(order, (QStringList{QStringLiteral("Aviso"), QStringLiteral("Puesto"),
                                     QStringLiteral("PuestoVisible"), QStringLiteral("Enabled")}));
    }

    void storedInstanceLoads()
    {
        // As the main window stores its panel: switched off, so the placeholders never show.
        QVERIFY(load(storedSet(QStringLiteral("Alerta"), 0, true, false)).ok());
        QCOMPARE(m_panel->Aviso(), QStringLiteral("Alerta"));
        QVERIFY(!m_panel->Enabled());
        QCOMPARE(shownLabels(), QStringList());

        // The workstation flag is read before Enabled decides on the number; values may arrive
        // as the texts a settings file holds.
        QVERIFY(load(storedSet(QStringLiteral("¡Ojo!"), QStringLiteral("7"), QStringLiteral("true"),
                               QStringLiteral("true")))
                    .ok());
        QCOMPARE(m_panel->Puesto(), qint16(7));
        QVERIFY(shown("lblNumPuesto"));
    }

    void storedSetLackingAPropertyFailsToLoad_data()
    {
        QTest::addColumn<QString>("missing");
        for (const char* name : {"Aviso", "Puesto", "PuestoVisible", "Enabled"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void storedSetLackingAPropertyFailsToLoad()
    {
        QFETCH(QString, missing);
        QVariantMap values = storedSet(QStringLiteral("Alerta"), 4, true, true);
        values.remove(missing);
        m_panel->initNew();
        QSignalSpy changes(m_panel.get(), &Parlux::propertyChanged);

        QCOMPARE(load(values).missingProperty, missing);
        QCOMPARE(changes.count(), 0);
    }

    void callWithOnlySomeDataShowsEmptyLines()
    {
        // A new client: only number, date and time; the last caller's data must not linger.
        m_panel->initNew();
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime, QStringLiteral("Ana"),
                         QStringLiteral("Calle 1"), QStringLiteral("Nota vieja"), true,
                         QStringLiteral("Cant: 3"));
        m_panel->Mostrar(QStringLiteral("4123456"), CallDate, CallTime);
        QCOMPARE(label("lblTelefono")->text(), QStringLiteral("4123456"));
        for (const char* name : {"lblNombre", "lblDireccion", "lblObservaciones", "lblNota"}) {
            QVERIFY2(label(name)->text().isEmpty(), name);
            QVERIFY2(shown(name), name);
        }
        QVERIFY(!shown("lblAviso"));
        QCOMPARE(m_panel->Aviso(), QStringLiteral("!"));

        // The anonymous caller.
        m_panel->Mostrar(QString(), CallDate, CallTime, QStringLiteral("ANÓNIMO"));
        QCOMPARE(label("lblTelefono")->text(), QString());
        QVERIFY(shown("lblTelefono"));
        QCOMPARE(label("lblNombre")->text(), QStringLiteral("ANÓNIMO"));
    }

    void dateAndTimeFollowTheRegionWithFourDigitYears()
    {
        m_panel->Mostrar(QStringLiteral("1"), CallDate, CallTime);
        QCOMPARE(label("lblFecha")->text(), QStringLiteral("23/11/2024"));
        QCOMPARE(label("lblHora")->text(), QStringLiteral("14:05"));

        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_panel->Mostrar(QStringLiteral("1"), QDate(1999, 2, 3), CallTime);
        QCOMPARE(label("lblFecha")->text(), QStringLiteral("2/3/1999"));

        // A date or time left out leaves its line blank rather than showing a made-up moment.
        m_panel->Mostrar(QStringLiteral("1"));
        QCOMPARE(label("lblFecha")->text(), QString());
        QCOMPARE(label("lblHora")->text(), QString());
    }

    void workstationNumberFollowsOnlyAtTheNextSwitchOn()
    {
        m_panel->initNew();
        m_panel->setPuestoVisible(false);
        QVERIFY(shown("lblNumPuesto"));
        m_panel->setEnabledFlag(true);
        QVERIFY(!shown("lblNumPuesto"));

        m_panel->setPuestoVisible(true);
        QVERIFY(!shown("lblNumPuesto"));
        m_panel->setEnabledFlag(true);
        QVERIFY(shown("lblNumPuesto"));
    }

    void puestoIsTheNumberShown()
    {
        QSignalSpy changes(m_panel.get(), &Parlux::propertyChanged);
        QVERIFY(m_panel->setProperty("Puesto", 3));
        QCOMPARE(label("lblNumPuesto")->text(), QStringLiteral("3"));
        QCOMPARE(m_panel->Puesto(), qint16(3));
        QCOMPARE(changes.count(), 1);

        label("lblNumPuesto")->setText(QStringLiteral("x"));
        QCOMPARE(m_panel->Puesto(), qint16(0));
    }

    void switchedOffPanelShowsACallAndEndsTheBlinkDark()
    {
        m_panel->initNew();
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime, QStringLiteral("Ana"), {},
                         {}, true);
        m_panel->setEnabledFlag(false);
        QCOMPARE(shownLabels(), QStringList());

        // The three blinking parts after every tick; the panel's own handler runs first.
        QList<QList<bool>> states;
        connect(timer1(), &QTimer::timeout, this, [&] {
            states << QList<bool>{shown("lblFecha"), shown("lblHora"), shown("imgActivado")};
        });
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime);
        QCOMPARE(shownLabels(),
                 QStringList({QStringLiteral("lblDireccion"), QStringLiteral("lblFecha"),
                              QStringLiteral("lblHora"), QStringLiteral("lblNombre"),
                              QStringLiteral("lblNota"), QStringLiteral("lblObservaciones"),
                              QStringLiteral("lblTelefono")}));

        QTRY_VERIFY_WITH_TIMEOUT(!timer1()->isActive(), 5000);
        QCOMPARE(states.size(), Parlux::BlinkTicks);
        for (int tick = 1; tick < Parlux::BlinkTicks; ++tick) {
            const bool on = tick % 2 == 0;
            QCOMPARE(states.at(tick - 1), (QList<bool>{on, on, on}));
        }
        QCOMPARE(states.last(), (QList<bool>{true, true, false}));
        QVERIFY(!shown("lblNumPuesto"));
    }

    void secondCallDuringABlinkDoesNotLengthenIt()
    {
        m_panel->initNew();
        QSignalSpy ticks(timer1(), &QTimer::timeout);
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        m_panel->Mostrar(QStringLiteral("4567890"), CallDate, CallTime);
        QTest::qWait(1000);
        // Well between two ticks, so that a restarted timer would put the next tick off.
        QTRY_VERIFY(timer1()->remainingTime() < 150);
        const int dueBefore = timer1()->remainingTime();
        m_panel->Mostrar(QStringLiteral("4123456"), CallDate, CallTime);
        QVERIFY(timer1()->remainingTime() <= dueBefore);

        QTRY_VERIFY_WITH_TIMEOUT(!timer1()->isActive(), 6000);
        QCOMPARE(ticks.count(), Parlux::BlinkTicks);
        const qint64 length = sinceFirst.elapsed();
        // A restarted count would end at 3.8 s.
        QVERIFY2(length >= 2800 && length < 3600, qPrintable(QString::number(length)));
        QVERIFY(shown("lblFecha"));
        QVERIFY(shown("imgActivado"));

        // The next call starts a fresh sequence.
        m_panel->Mostrar(QStringLiteral("4123456"), CallDate, CallTime);
        QTRY_COMPARE(m_panel->blinkCount(), 1);
    }

    void renderingShowsColouredTextsInTheirBoxesOnBlack()
    {
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

        // Each text in its colour inside its box, given in twips; black everywhere else.
        const double tpp = qRound(1440.0 / m_panel->screen()->logicalDotsPerInch());
        const QColor green(0, 255, 0), yellow(255, 255, 0);
        const struct
        {
            const char* name;
            QRect twips;
            QColor colour;
        } expected[] = {
            {"lblTelefono", {600, 120, 1815, 255}, green},
            {"lblFecha", {3240, 150, 855, 195}, yellow},
            {"lblHora", {3240, 390, 855, 195}, yellow},
            {"lblNombre", {120, 780, 3915, 255}, green},
            {"lblDireccion", {120, 1080, 3915, 255}, green},
            {"lblObservaciones", {300, 1500, 3555, 435}, green},
            {"lblNota", {600, 420, 1155, 195}, yellow},
            {"lblAviso", {2520, 120, 645, 240}, QColor(255, 0, 0)},
            {"lblNumPuesto", {120, 420, 315, 195}, QColor(Qt::white)},
            {"imgActivado", {60, 120, 390, 300}, green},
        };
        QRegion inked;
        for (const auto& [name, twips, colour] : expected) {
            const QRect box(qRound(twips.x() / tpp), qRound(twips.y() / tpp),
                            qRound(twips.width() / tpp), qRound(twips.height() / tpp));
            inked += box;
            int matching = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    matching += isInkOf(image.pixelColor(QPoint(x, y) * ratio), colour);
            QVERIFY2(matching >= 5, name);
        }
        for (int y = 0; y < m_panel->height(); ++y)
            for (int x = 0; x < m_panel->width(); ++x)
                if (!inked.contains(QPoint(x, y)))
                    QVERIFY2(image.pixelColor(QPoint(x, y) * ratio) == QColor(Qt::black),
                             qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
    }
};

QTEST_MAIN(ParluxTest)
#include "ParluxTest.moc"
