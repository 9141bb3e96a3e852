// The README's pictures, made on demand rather than in every test run:
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/tests/readme_pictures docs/images [picture...]
// Each picture is one function below; naming some makes only those.
#include "AdminFixture.h"
#include "ClientFormsSupport.h"
#include "DatabaseFixture.h"
#include "DesktopNoteService.h"
#include "MainWindowFixture.h"
#include "NotePage.h"
#include "NoteWindow.h"
#include "Parlux.h"
#include "Skin.h"
#include "TestEnvironment.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "frmAbout.h"
#include "frmAdministrar.h"
#include "frmLlamantes.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <iostream>

class ReadmePictures : public QObject
{
    Q_OBJECT

public:
    explicit ReadmePictures(QString folder)
        : m_folder(std::move(folder))
    {}

private:
    [[nodiscard]] bool save(QWidget& widget, const QString& name) const
    {
        return widget.grab().save(m_folder + QLatin1Char('/') + name);
    }

    QString m_folder;

private slots:
    void mainWindow()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        TestEnvironment env;
        MainWindowFixture f(env.programFolder());
        frmIdentificador* w = f.window.get();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->Parlux1()->setEnabledFlag(true);
        w->Parlux1()->setPuesto(1);
        w->Parlux1()->Mostrar(QStringLiteral("4567890"), QDate(2024, 5, 14), QTime(10, 32),
                              QStringLiteral("Juan Díaz"), QStringLiteral("Av. Corrientes 1234"),
                              QStringLiteral("Cliente desde 2019"), true,
                              QStringLiteral("Cant: 5"));
        w->cmdLlamante()->setEnabled(true);
        // After the blink, so the picture shows the panel at rest.
        const auto* blink = w->Parlux1()->findChild<QTimer*>(QStringLiteral("Timer1"));
        QTRY_VERIFY_WITH_TIMEOUT(!blink->isActive(), 5000);
        QVERIFY(save(*w, QStringLiteral("main_window.png")));
    }

    void about()
    {
        frmAbout about(Skin::load().icon);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(save(about, QStringLiteral("acerca.png")));
    }

    void clientEditor()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        DatabaseFixture db;
        const qint64 id = addCaller(db.databasePath(), QStringLiteral("1145678901"));
        QVERIFY(saveClientDetails(
                    db.databasePath(), id,
                    {QStringLiteral("Juan Díaz"), QStringLiteral("Av. Corrientes 1234"),
                     QStringLiteral("Cliente desde 2019.\nPrefiere que lo llamen a la tarde."),
                     true}) == 0);
        DataControl list;
        attachList(list, db.databasePath(), QStringLiteral("1145678901"));
        for (int call = 0; call < 12; ++call)
            QCOMPARE(countCall(list), DatabaseError::None);
        frmLlamantes editor(2, list);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTest::qWait(100); // the remarks' layout settles before the picture
        QVERIFY(save(editor, QStringLiteral("frmLlamantes.png")));
    }

    void browser()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
        Office office;
        const QStringList names = {QStringLiteral("Ana Gómez"), QStringLiteral("Juan Díaz"),
                                   QStringLiteral("Lucía Fernández"), QStringLiteral("Martín Ruiz"),
                                   QStringLiteral("Sofía Núñez")};
        qint64 juan = 0;
        for (int i = 0; i < names.size(); ++i) {
            const qint64 id = office.client(names.at(i), QStringLiteral("11456789%1").arg(i + 10),
                                            3 + i * 2, i == 1);
            for (int call = 0; call < 3 + i * 2; ++call)
                office.call(id, QDateTime(today().addDays(-call * 3), QTime(9 + call, 15 * i)),
                            1 + (call + i) % 3);
            if (i == 1)
                juan = id;
        }
        QVERIFY(juan != 0);
        frmAdministrar browser(office.path(), nullptr);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        child<QTabWidget>(&browser, "SSTab1")->setCurrentIndex(1);
        click(&browser, "cmdMostrar");
        browser.datClientes().moveTo(1);
        QTest::qWait(100);
        QVERIFY(save(browser, QStringLiteral("frmAdministrar.png")));
    }

    void statistics()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
        Office office;
        const QStringList names = {QStringLiteral("Ana Gómez"),       QStringLiteral("Juan Díaz"),
                                   QStringLiteral("Lucía Fernández"), QStringLiteral("Martín Ruiz"),
                                   QStringLiteral("Sofía Núñez"),     QStringLiteral("Inés Pérez")};
        // Three weeks of office hours, some days busier than others.
        for (int i = 0; i < names.size(); ++i)
            office.client(names.at(i), QStringLiteral("11456789%1").arg(i + 10));
        office.exec(
            QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 0 UNION ALL SELECT I + 1 FROM N WHERE "
                           "I < 599) INSERT INTO Llamadas (Cliente, Fecha, Puesto) SELECT "
                           "1 + (I * I) % 6, datetime(?, '-' || (I % 21) || ' days', '+' || "
                           "(8 + (I * 7) % 11 - (I % 3)) || ' hours', '+' || (I % 60) "
                           "|| ' minutes'), 1 + I % 3 FROM N WHERE (I % 21) % 7 < 5 OR I % 4 = 0"),
            {QVariant(today().toString(Qt::ISODate))});
        frmAdministrar browser(office.path(), nullptr);
        browser.resize(1000, 640);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        child<DateBox>(&browser, "mskDesde")->setDate(today().addDays(-20));
        child<QTabWidget>(&browser, "SSTab1")->setCurrentIndex(2);
        QTest::qWait(200);
        QVERIFY(save(browser, QStringLiteral("estadisticas.png")));
    }

    void note()
    {
        // The heading without caller data shows the region's date and time.
        QLocale::setDefault(QLocale(QStringLiteral("es_AR")));
        TestEnvironment env;
        const auto page = NotePage::Archivo_HTML(
            env.makeFolder(QStringLiteral("PostIt")), 1,
            QStringLiteral("Pide presupuesto de 20 cajas. Volver a llamar el lunes."),
            QStringLiteral("Juan Díaz"), QStringLiteral("Av. Corrientes 1234"),
            QStringLiteral("4567890"), QStringLiteral("14/05/2024 10:32:00"),
            QStringLiteral("FFFFC0"), QDateTime(QDate(2026, 12, 5), QTime(14, 30, 7)));
        QVERIFY(page);
        DesktopNoteService desktop;
        desktop.activate();
        QCOMPARE(desktop.addItem(*page), DesktopItems::AddResult::Shown);
        NoteWindow* note = desktop.windowOf(*page);
        QVERIFY(QTest::qWaitForWindowExposed(note));
        QVERIFY(save(*note, QStringLiteral("nota.png")));
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2 || arguments.at(1).startsWith(QLatin1Char('-'))) {
        std::cerr << "usage: readme_pictures FOLDER "
                     "[mainWindow|about|clientEditor|browser|statistics|note]...\n";
        return 2;
    }
    ReadmePictures pictures(arguments.takeAt(1));
    return QTest::qExec(&pictures, arguments);
}

#include "readme_pictures.moc"
