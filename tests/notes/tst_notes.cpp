// The note page, byte for byte, and the note dialog over a real main window and database.

#include "DesktopItems.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "NotePage.h"
#include "OrdinaryUser.h"
#include "ProgramDatabase.h"
#include "TestEnvironment.h"
#include "frmTextoPostit.h"
#include "reception/CallReception.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {

const QDateTime moment(QDate(2026, 12, 5), QTime(14, 30, 7));

QByteArray expected(const QString& name)
{
    QFile file(QStringLiteral(NOTES_EXPECTED_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The desktop as the dialog sees it, recording what it was handed.
class RecordingDesktop final : public DesktopItems
{
public:
    [[nodiscard]] bool isActive() const override { return active; }
    bool activate() override
    {
        active = true;
        return true;
    }
    AddResult addItem(const QString& pagePath) override
    {
        added.append(pagePath);
        return result;
    }

    bool active = false;
    AddResult result = AddResult::Shown;
    QStringList added;
};

} // namespace

class NotesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pageBytes_data();
    void pageBytes();
    void twoNotesInOneSecondShareThePage();
    void paperColoursAreDrawnEvenly();
    void checkBoxFollowsCallerAndTextStopsAt500();
    void acceptedNoteCarriesTheLastCall();
    void unwritablePageKeepsTheDialogOpen();
    void desktopFailureLeavesThePageAndCloses();
    void cancelWritesNothing();
    void readOnlyProgramFolderFallsBackToDataHome();

private:
    struct Dialog;
};

void NotesTest::initTestCase()
{
    // The heading without caller data shows the region's date and time.
    QLocale::setDefault(QLocale(QStringLiteral("es_AR")));
}

void NotesTest::pageBytes_data()
{
    QTest::addColumn<int>("Datos");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("Fondo");
    QTest::addColumn<QString>("expectedFile");
    QTest::newRow("caller data") << 1 << QStringLiteral("Llamar mañana") << QStringLiteral("C0FFFF")
                                 << QStringLiteral("con-datos.html");
    QTest::newRow("no caller, < and & kept")
        << 0 << QStringLiteral("Pedido <b>urgente</b> & envío") << QStringLiteral("FFFFC0")
        << QStringLiteral("sin-datos.html");
    QTest::newRow("grayed box, empty text")
        << 2 << QString() << QStringLiteral("FFFFFF") << QStringLiteral("gris-vacia.html");
    QTest::newRow("line breaks") << 0 << QStringLiteral("uno\ndos\n\ntres")
                                 << QStringLiteral("C0C0FF") << QStringLiteral("saltos.html");
}

void NotesTest::pageBytes()
{
    QFETCH(int, Datos);
    QFETCH(QString, texto);
    QFETCH(QString, Fondo);
    QFETCH(QString, expectedFile);
    TestEnvironment env;
    const QString folder = env.makeFolder(QStringLiteral("PostIt"));

    // The caller's fields only count with Datos = 1.
    const auto path = NotePage::Archivo_HTML(
        folder, static_cast<quint8>(Datos), texto, QStringLiteral("José Núñez"),
        QStringLiteral("Av. Rivadavia 1234"), QStringLiteral("3434556677"),
        QStringLiteral("4/12/2026 09:15:00"), Fondo, moment);
    QVERIFY(path);
    QCOMPARE(*path, folder + QStringLiteral("/Lineo20261205143007.html"));
    const QByteArray want = expected(expectedFile);
    QVERIFY(!want.isEmpty());
    QCOMPARE(readAll(*path), want);
}

void NotesTest::twoNotesInOneSecondShareThePage()
{
    TestEnvironment env;
    const QString folder = env.makeFolder(QStringLiteral("PostIt"));
    const auto first =
        NotePage::Archivo_HTML(folder, 0, QStringLiteral("Pedido <b>urgente</b> & envío"), {}, {},
                               {}, {}, QStringLiteral("FFFFC0"), moment);
    const auto second = NotePage::Archivo_HTML(folder, 2, QString(), {}, {}, {}, {},
                                               QStringLiteral("FFFFFF"), moment);
    QVERIFY(first && second);
    QCOMPARE(*second, *first);
    QCOMPARE(readAll(*first), expected(QStringLiteral("sin-datos.html")) +
                                  expected(QStringLiteral("gris-vacia.html")));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
}

void NotesTest::paperColoursAreDrawnEvenly()
{
    const QStringList literals{QStringLiteral("&HC0FFFF"), QStringLiteral("&HFFFFC0"),
                               QStringLiteral("&HC0C0FF"), QStringLiteral("&HFFFFFF")};
    QCOMPARE(NotePage::digitosColor(literals.at(0)), QStringLiteral("C0FFFF"));
    QCOMPARE(NotePage::digitosColor(literals.at(2)), QStringLiteral("C0C0FF"));

    // Over many pages each colour comes about a quarter of the time, and a colour follows
    // itself about as often: each draw is on its own.
    QRandomGenerator random(20261205);
    constexpr int pages = 4000;
    QMap<QString, int> counts;
    int repeats = 0;
    QString previous;
    for (int i = 0; i < pages; ++i) {
        const QString literal = NotePage::Color_Papel(random);
        QVERIFY2(literals.contains(literal), qPrintable(literal));
        ++counts[literal];
        repeats += literal == previous;
        previous = literal;
    }
    for (const QString& literal : literals)
        QVERIFY2(qAbs(counts.value(literal) - pages / 4) < pages / 20, qPrintable(literal));
    QVERIFY(qAbs(repeats - pages / 4) < pages / 20);
}

struct NotesTest::Dialog
{
    explicit Dialog(TestEnvironment& env)
        : main(env.programFolder())
    {}
    frmTextoPostit* open(bool HayDatosLlamada)
    {
        dialog =
            std::make_unique<frmTextoPostit>(desktop, main.values.programFolder,
                                             *main.window->datLlamada(), main.window->reception());
        dialog->HayDatosLlamada = HayDatosLlamada;
        dialog->setClock([] { return moment; });
        dialog->show();
        return dialog.get();
    }
    [[nodiscard]] QString pagePath() const
    {
        return main.values.programFolder + QStringLiteral("/PostIt/Lineo20261205143007.html");
    }

    MainWindowFixture main;
    RecordingDesktop desktop;
    std::unique_ptr<frmTextoPostit> dialog;
};

void NotesTest::checkBoxFollowsCallerAndTextStopsAt500()
{
    TestEnvironment env;
    Dialog d(env);
    frmTextoPostit* without = d.open(false);
    QCOMPARE(without->windowTitle(), QStringLiteral("Post It"));
    QCOMPARE(without->chkDatos()->checkState(), Qt::PartiallyChecked);
    QVERIFY(!without->chkDatos()->isEnabled());

    frmTextoPostit* with = d.open(true);
    QCOMPARE(with->chkDatos()->checkState(), Qt::Unchecked);
    QVERIFY(with->chkDatos()->isEnabled());

    // Typed and pasted text alike stop at 500 characters.
    with->txtTexto()->setPlainText(QString(498, QLatin1Char('a')));
    with->txtTexto()->moveCursor(QTextCursor::End);
    QTest::keyClicks(with->txtTexto(), QStringLiteral("bcdef"));
    QCOMPARE(with->txtTexto()->toPlainText(),
             QString(498, QLatin1Char('a')) + QStringLiteral("bc"));
    with->txtTexto()->moveCursor(QTextCursor::Start);
    with->txtTexto()->insertPlainText(QStringLiteral("0123456789"));
    QCOMPARE(with->txtTexto()->toPlainText().size(), frmTextoPostit::maxLength);
    QVERIFY(with->txtTexto()->toPlainText().endsWith(QStringLiteral("abc")));
}

void NotesTest::acceptedNoteCarriesTheLastCall()
{
    TestEnvironment env;
    Dialog d(env);
    QVERIFY(ProgramDatabase::addClient(d.main.values.databasePath(), QStringLiteral("3434556677"),
                                       QStringLiteral("José Núñez"), false, 2,
                                       QStringLiteral("Av. Rivadavia 1234")));
    d.main.window->Recibe_llamada(QStringLiteral("3434556677"));
    QVERIFY(d.main.window->cmdLlamante()->isEnabled());
    const CallReception& reception = d.main.window->reception();
    const QString Fecha = reception.callDateText() + QLatin1Char(' ') + reception.callTimeText();

    frmTextoPostit* dialog = d.open(true);
    // The user's clicks only check and uncheck the box.
    for (const Qt::CheckState state : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
        QTest::mouseClick(dialog->chkDatos(), Qt::LeftButton, {},
                          QPoint(10, dialog->chkDatos()->height() / 2));
        QCOMPARE(dialog->chkDatos()->checkState(), state);
    }
    dialog->txtTexto()->setPlainText(QStringLiteral("Llamar mañana"));
    MessageBox::Script script;
    QTest::mouseClick(dialog->cmdAceptar(), Qt::LeftButton);
    QVERIFY(script.shown().isEmpty());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(d.desktop.added, QStringList{d.pagePath()});
    QVERIFY(d.desktop.active);

    // The heading is the call's own moment; the paper is one of the four.
    QString page = QString::fromUtf8(readAll(d.pagePath()));
    static const QRegularExpression paper(
        QStringLiteral("bgcolor='#(C0FFFF|FFFFC0|C0C0FF|FFFFFF)'"));
    QVERIFY(page.contains(paper));
    page.replace(paper, QStringLiteral("bgcolor='#C0FFFF'"));
    QString want = QString::fromUtf8(expected(QStringLiteral("con-datos.html")));
    want.replace(QStringLiteral("4/12/2026 09:15:00"), Fecha);
    QCOMPARE(page, want);
}

void NotesTest::unwritablePageKeepsTheDialogOpen()
{
    TestEnvironment env;
    Dialog d(env);
    // "PostIt" is taken by a file: no page can go there, not even for root.
    QFile blocker(d.main.values.programFolder + QStringLiteral("/PostIt"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    frmTextoPostit* dialog = d.open(false);
    dialog->txtTexto()->setPlainText(QStringLiteral("No se pierde"));
    MessageBox::Script script;
    QTest::mouseClick(dialog->cmdAceptar(), Qt::LeftButton);
    QCOMPARE(script.shown().size(), 1);
    QVERIFY(script.texts().at(0).startsWith(QStringLiteral("No se pudo guardar la nota en «")));
    QCOMPARE(script.shown().at(0).message.icon, MessageIcon::Exclamation);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->txtTexto()->toPlainText(), QStringLiteral("No se pierde"));
    QVERIFY(d.desktop.added.isEmpty());
}

void NotesTest::desktopFailureLeavesThePageAndCloses()
{
    TestEnvironment env;
    Dialog d(env);
    d.desktop.result = DesktopItems::AddResult::NoDisplay;
    frmTextoPostit* dialog = d.open(false);
    MessageBox::Script script;
    QTest::mouseClick(dialog->cmdAceptar(), Qt::LeftButton);
    QCOMPARE(script.shown().size(), 1);
    QCOMPARE(script.shown().at(0).message,
             (Message{QStringLiteral("No se puede mostrar la nota en el escritorio"),
                      MessageIcon::None, MessageButtons::Ok}));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(QFile::exists(d.pagePath()));
}

void NotesTest::cancelWritesNothing()
{
    TestEnvironment env;
    Dialog d(env);
    frmTextoPostit* dialog = d.open(true);
    dialog->txtTexto()->setPlainText(QStringLiteral("borrador"));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());
    QVERIFY(!QFile::exists(d.pagePath()));
    QVERIFY(d.desktop.added.isEmpty());
}

void NotesTest::readOnlyProgramFolderFallsBackToDataHome()
{
    if (OrdinaryUser::isRoot()) {
        QVERIFY(OrdinaryUser::runTestFunction(QTest::currentTestFunction()));
        return;
    }
    TestEnvironment env;
    Dialog d(env);
    // An installation under /opt: the program folder is the administrator's.
    const QString programFolder = d.main.values.programFolder;
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(programFolder, readOnly));
    frmTextoPostit* dialog = d.open(false);
    dialog->txtTexto()->setPlainText(QStringLiteral("En otra carpeta"));
    MessageBox::Script script;
    QTest::mouseClick(dialog->cmdAceptar(), Qt::LeftButton);
    QVERIFY2(script.shown().isEmpty(), qPrintable(script.texts().join(QLatin1Char('\n'))));
    const QString page =
        env.dataHome() + QStringLiteral("/Llamora/PostIt/Lineo20261205143007.html");
    QCOMPARE(d.desktop.added, QStringList{page});
    QVERIFY(readAll(page).contains("En otra carpeta"));
    QVERIFY(!QFileInfo::exists(programFolder + QStringLiteral("/PostIt")));
    QVERIFY(QFile::setPermissions(programFolder, readOnly | QFile::WriteOwner));
}

QTEST_MAIN(NotesTest)
#include "tst_notes.moc"
