// The main window on the offscreen platform: its size, skin and hosted controls, the hover
// pictures, the drag by the title bar, and its picture for the README.

#include "MainWindowTestBase.h"
#include "MessageBox.h"
#include "Parlux.h"
#include "PictureBox.h"

#include <QFile>
#include <QMouseEvent>

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& globalPos)
{
    QMouseEvent event(type, widget->mapFromGlobal(globalPos), globalPos,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class MainWindowLooksTest : public MainWindowTestBase
{
    Q_OBJECT

private slots:
    void windowAndHostedControls()
    {
        const double x = f->values.twipsPerPixelX;
        const double y = f->values.twipsPerPixelY;

        QCOMPARE(w->size(), QSize(qRound(4740 / x), qRound(4635 / y)));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(w->Parlux1()->geometry(),
                 QRect(qRound(240 / x), qRound(540 / y), qRound(4275 / x), qRound(2175 / y)));
        QCOMPARE(f->shownPicture("cmdEncendidoID"), 9);
        QCOMPARE(pictureState(*f), NormalPictures);
        QVERIFY(!f->tray->icon().isNull());

        // The stored description of the two controls.
        QCOMPARE(w->Lineo1()->Puerto(), qint16(4));
        QVERIFY(!w->Lineo1()->Enabled());
        VariantMapPropertyBag parlux;
        w->Parlux1()->writeProperties(parlux);
        QCOMPARE(parlux.values(), (QVariantMap{{QStringLiteral("Aviso"), QStringLiteral("Alerta")},
                                               {QStringLiteral("Puesto"), qint16(0)},
                                               {QStringLiteral("PuestoVisible"), true},
                                               {QStringLiteral("Enabled"), false}}));
        QVERIFY(!w->cmdLlamante()->isEnabled());

        // The notification icon is there from the start, telling the state.
        QVERIFY(f->tray->isShown());
        QCOMPARE(f->tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Desactivado"));

        QVERIFY(showWindow());
        const QPoint offCentre =
            w->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);
    }

    void brokenDescriptionGivesDefaults()
    {
        MessageBox::Script script;
        const QString path = m_env->root() + QStringLiteral("/description.json");
        const auto describeAs = [&path](const QByteArray& text) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(text) == text.size();
        };

        // A control lacking a property gets its defaults; the other keeps what is stored.
        QVERIFY(describeAs(R"({"Lineo1": {"Enabled": false}, "Parlux1": {"Aviso": "Ojo",
                             "Puesto": 2, "PuestoVisible": false, "Enabled": false}})"));
        {
            MainWindowFixture loaded(m_env->programFolder(), path);
            QCOMPARE(script.texts().size(), 1);
            QVERIFY(script.texts().first().contains(QStringLiteral("Lineo1")));
            QVERIFY(script.texts().first().contains(QStringLiteral("«Puerto»")));
            QCOMPARE(script.shown().first().message.icon, MessageIcon::Exclamation);
            QCOMPARE(loaded.window->Parlux1()->Aviso(), QStringLiteral("Ojo"));
        }

        script.clear();
        QVERIFY(describeAs("{ not json"));
        MainWindowFixture loaded(m_env->programFolder(), path);
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(script.texts().first().contains(QStringLiteral("dañada")));
        QCOMPARE(loaded.window->Lineo1()->Puerto(), qint16(4));
        QCOMPARE(loaded.window->Parlux1()->Aviso(), QStringLiteral("!"));
    }

    void hoverLightsOnlyTheButtonUnderTheMouse()
    {
        QVERIFY(showWindow());
        const auto moveOnto = [&](const char* name) {
            QTest::mouseMove(w->windowHandle(), f->button(name)->geometry().center());
        };

        // As after a call, when the caller button is usable.
        w->cmdLlamante()->setEnabled(true);
        moveOnto("cmdManual");
        QTRY_COMPARE(f->shownPicture("cmdManual"), 3);

        // Straight onto the next button: the first goes back, the second lights up.
        moveOnto("cmdLlamante");
        QTRY_COMPARE(pictureState(*f), QList<int>({0, 2, 5, 6, 10, 12, 14}));

        // Onto the bare background: nothing lit.
        QTest::mouseMove(w->windowHandle(), QPoint(w->width() / 2, w->height() - 6));
        QTRY_COMPARE(pictureState(*f), NormalPictures);

        // The title bar also puts them back.
        moveOnto("cmdMin");
        QTRY_COMPARE(f->shownPicture("cmdMin"), 15);
        QTest::mouseMove(w->windowHandle(), QPoint(100, 10));
        QTRY_COMPARE(pictureState(*f), NormalPictures);

        // A button that cannot be used does not light up; moving onto it is moving onto the window.
        moveOnto("cmdManual");
        QTRY_COMPARE(f->shownPicture("cmdManual"), 3);
        w->cmdLlamante()->setEnabled(false);
        moveOnto("cmdLlamante");
        QTRY_COMPARE(pictureState(*f), NormalPictures);
    }

    void dragMovesByCursorTravelInTwips()
    {
        f->values.twipsPerPixelX = 15;
        f->values.twipsPerPixelY = 15;
        QVERIFY(showWindow());
        w->move(200, 150);
        QTRY_COMPARE(w->pos(), QPoint(200, 150));

        PictureBox* bar = w->PicTitleBar();
        const QPoint grip = bar->mapToGlobal(QPoint(40, 10));
        sendMouse(bar, QEvent::MouseButtonPress, grip);
        sendMouse(bar, QEvent::MouseMove, grip + QPoint(10, 0));
        QCOMPARE((w->x() - 200) * 15, 150);
        QCOMPARE(w->y(), 150);

        // Each move counts from the last one.
        sendMouse(bar, QEvent::MouseMove, grip + QPoint(10, 4));
        QCOMPARE(w->pos(), QPoint(210, 154));

        // Released: moving over the bar no longer drags.
        sendMouse(bar, QEvent::MouseButtonRelease, grip + QPoint(10, 4));
        sendMouse(bar, QEvent::MouseMove, grip + QPoint(50, 50));
        QCOMPARE(w->pos(), QPoint(210, 154));
    }
};

std::unique_ptr<QObject> makeMainWindowLooksTest()
{
    return std::make_unique<MainWindowLooksTest>();
}

#include "tst_main_window.moc"
