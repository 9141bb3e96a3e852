// The desktop-item service: a page published, shown as a note, moved, remembered across a
// restart of the service, and removed; nothing outside the page is ever loaded.

#include "DesktopNoteService.h"
#include "MarkupTexts.h"
#include "NoteWindow.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

namespace {

QString writePage(const QString& folder, const QString& name, const QByteArray& bgcolor,
                  const QByteArray& body)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("<html>\r\n<body text='#000000' bgcolor='#" + bgcolor + "'>\r\n" + body +
               "\r\n</body>\r\n</html>\r\n");
    return path;
}

// Two pages in a "PostIt" folder of a fresh environment, as the program writes its notes.
struct TwoPages
{
    TwoPages(const QByteArray& firstColour, const QByteArray& firstBody,
             const QByteArray& secondColour, const QByteArray& secondBody)
        : first(writePage(folder, QStringLiteral("Lineo1.html"), firstColour, firstBody))
        , second(writePage(folder, QStringLiteral("Lineo2.html"), secondColour, secondBody))
    {}

    TestEnvironment env;
    const QString folder = env.makeFolder(QStringLiteral("PostIt"));
    const QString first;
    const QString second;
};

// A run of the program that leaves both pages on the desktop.
void showBoth(DesktopNoteService& desktop, const TwoPages& pages)
{
    desktop.activate();
    desktop.addItem(pages.first);
    desktop.addItem(pages.second);
}

void drag(QWidget* window, const QPoint& by)
{
    const QPoint start = window->mapToGlobal(QPoint(40, 50));
    const auto send = [window](QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, window->mapFromGlobal(global), global, Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + by / 2, Qt::LeftButton);
    send(QEvent::MouseMove, start + by, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + by, Qt::NoButton);
}

} // namespace

class DesktopItemsTest : public QObject
{
    Q_OBJECT

private slots:
    void publishedNoteComesBackWhereItWasLeft();
    void removingForgetsTheItemButKeepsThePage();
    void pagesGoneOrListUnreadable();
    void nothingOutsideThePageIsLoaded();
    void savedPlacesAreKeptReachable();
};

void DesktopItemsTest::publishedNoteComesBackWhereItWasLeft()
{
    const TwoPages pages("C0FFFF", "primera", "FFFFC0", "segunda");
    const QString& first = pages.first;
    const QString& second = pages.second;
    QRect movedTo;
    {
        DesktopNoteService desktop;
        QCOMPARE(desktop.listPath(),
                 pages.env.dataHome() + QStringLiteral("/Llamora/escritorio.json"));
        QVERIFY(desktop.activate());
        QCOMPARE(desktop.addItem(first), DesktopItems::AddResult::Shown);
        QCOMPARE(desktop.addItem(second), DesktopItems::AddResult::Shown);
        NoteWindow* note = desktop.windowOf(first);
        QVERIFY(note->isVisible());
        QVERIFY(note->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(note->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
        QCOMPARE(note->paperColor(), QColor(0xC0, 0xFF, 0xFF));
        QVERIFY(!note->geometry().intersects(desktop.windowOf(second)->geometry()));

        // A second note in the same second goes into the same page: shown once, anew, and
        // grown to show it all.
        const int firstHeight = note->height();
        QFile page(first);
        QVERIFY(page.open(QIODevice::Append));
        page.write("<html><body>" + QByteArray("segunda nota<br>").repeated(8) + "</body></html>");
        page.close();
        QCOMPARE(desktop.addItem(first), DesktopItems::AddResult::Shown);
        QCOMPARE(desktop.windows().size(), 2);
        QVERIFY(note->height() > firstHeight);
        QCOMPARE(note->height(), note->preferredHeight(note->width()));

        drag(note, QPoint(-150, 90));
        movedTo = note->geometry();
        QCOMPARE(movedTo.topLeft(), desktop.items().at(0).geometry.topLeft());
        QVERIFY(movedTo.topLeft() != QPoint());
        // Written a moment after the move, and at the latest when the service ends.
    }

    DesktopNoteService again;
    QVERIFY(again.windows().isEmpty());
    QVERIFY(again.activate());
    QCOMPARE(again.windows().size(), 2);
    QCOMPARE(again.windowOf(first)->geometry(), movedTo);
    QVERIFY(again.windowOf(second)->isVisible());
    QCOMPARE(again.windowOf(second)->paperColor(), QColor(0xFF, 0xFF, 0xC0));
}

void DesktopItemsTest::removingForgetsTheItemButKeepsThePage()
{
    const TwoPages pages("C0C0FF", "uno", "FFFFFF", "dos");
    const QString& first = pages.first;
    const QString& second = pages.second;
    {
        DesktopNoteService desktop;
        showBoth(desktop, pages);
        // "×" on one, "Quitar del escritorio" on the other.
        QTest::mouseClick(desktop.windowOf(first)->closeButton(), Qt::LeftButton);
        NoteWindow* other = desktop.windowOf(second);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 30),
                                    other->mapToGlobal(QPoint(20, 30)));
        QApplication::sendEvent(other, &menuEvent);
        QTRY_VERIFY(other->contextMenu()->isVisible());
        QCOMPARE(other->removeAction()->text(), QStringLiteral("Quitar del escritorio"));
        other->removeAction()->trigger();
        QVERIFY(desktop.windows().isEmpty());
    }
    QVERIFY(QFile::exists(first) && QFile::exists(second));
    DesktopNoteService again;
    again.activate();
    QVERIFY(again.windows().isEmpty());
}

void DesktopItemsTest::pagesGoneOrListUnreadable()
{
    const TwoPages pages("C0FFFF", "queda", "C0FFFF", "se borra");
    const QString& folder = pages.folder;
    const QString& kept = pages.first;
    const QString& gone = pages.second;
    {
        DesktopNoteService desktop;
        showBoth(desktop, pages);
        QCOMPARE(desktop.addItem(folder + QStringLiteral("/nada.html")),
                 DesktopItems::AddResult::PageUnreadable);
    }
    // The user deleted a page meanwhile: it is forgotten, the other comes back.
    QVERIFY(QFile::remove(gone));
    {
        DesktopNoteService desktop;
        QVERIFY(desktop.activate());
        QCOMPARE(desktop.items().size(), 1);
        QCOMPARE(desktop.items().at(0).pagePath, kept);
    }

    // A damaged list is put aside, not written over, and a new one begins.
    const QString listPath = DesktopNoteService::defaultListPath();
    {
        QFile list(listPath);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("{\"notas\": [ dañada");
    }
    DesktopNoteService desktop;
    QVERIFY(!desktop.activate());
    QVERIFY(!desktop.setAsidePath().isEmpty());
    QFile aside(desktop.setAsidePath());
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), QByteArray("{\"notas\": [ dañada"));
    QCOMPARE(desktop.addItem(kept), DesktopItems::AddResult::Shown);
    DesktopNoteService afterwards;
    QVERIFY(afterwards.activate());
    QCOMPARE(afterwards.items().size(), 1);
}

void DesktopItemsTest::nothingOutsideThePageIsLoaded()
{
    TestEnvironment env;
    const QString folder = env.makeFolder(QStringLiteral("PostIt"));
    // A picture and a style sheet beside the page, which a plain document would read, and a
    // named pipe, which would keep the program waiting in open().
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(folder + QStringLiteral("/foto.png")));
    QFile css(folder + QStringLiteral("/estilo.css"));
    QVERIFY(css.open(QIODevice::WriteOnly));
    css.write("body { background: red }");
    css.close();
    FifoTrap pipe;
    QVERIFY(pipe.isValid());
    const QString page = folder + QStringLiteral("/Lineo1.html");
    QFile file(page);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><head><link rel='stylesheet' href='estilo.css'></head>\r\n"
               "<body bgcolor='#FFFFFF'><img src='foto.png'><img src='" +
               folder.toUtf8() + "/foto.png'><img src='file://" + folder.toUtf8() + "/foto.png'>" +
               pipe.picture().toUtf8() +
               "<a href='http://192.0.2.1/'>enlace</a> &lt;texto&gt; antes <link rel=stylesheet "
               "href=estilo.css> después</body></html>");
    file.close();
    DesktopNoteService desktop;
    desktop.activate();
    QCOMPARE(desktop.addItem(page), DesktopItems::AddResult::Shown);
    NoteWindow* note = desktop.windowOf(page);
    QTextDocument* document = note->document();
    QVERIFY(document);
    for (const QString& name :
         QStringList{QStringLiteral("foto.png"), QStringLiteral("estilo.css"),
                     QStringLiteral("file://") + folder + QStringLiteral("/foto.png")}) {
        QVERIFY2(document->resource(QTextDocument::ImageResource, QUrl(name)).isNull(),
                 qPrintable(name));
        QVERIFY2(document->resource(QTextDocument::StyleSheetResource, QUrl(name)).isNull(),
                 qPrintable(name));
    }
    // The text after a <link> still shows.
    QVERIFY2(document->toPlainText().contains(QStringLiteral("<texto> antes")) &&
                 document->toPlainText().contains(QStringLiteral("después")),
             qPrintable(document->toPlainText()));
    QCOMPARE(note->paperColor(), QColor(Qt::white));
    // The pipe is never opened, and nothing of the picture is drawn.
    const QImage drawn = note->grab().toImage();
    QCOMPARE(pipe.openings(), 0);
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x)
            QVERIFY2(drawn.pixelColor(x, y) != QColor(Qt::red),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    // A click on the link is only the start of a drag.
    drag(note, QPoint(5, 5));
    QCOMPARE(desktop.windows().size(), 1);
}

void DesktopItemsTest::savedPlacesAreKeptReachable()
{
    const TwoPages pages("C0FFFF", "enorme", "FFFFC0", "fuera");
    // A damaged list: one note far too large, the other left on a monitor that is gone.
    {
        QFile list(DesktopNoteService::defaultListPath());
        QVERIFY(QDir().mkpath(QFileInfo(list).absolutePath()));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("{\"notas\": [{\"pagina\": \"" + pages.first.toUtf8() +
                   "\", \"x\": 0, \"y\": 0, \"ancho\": 5000, \"alto\": 4000}, {\"pagina\": \"" +
                   pages.second.toUtf8() +
                   "\", \"x\": -3000, \"y\": 5000, \"ancho\": 200, \"alto\": 120}]}");
    }
    DesktopNoteService desktop;
    QVERIFY(desktop.activate());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const NoteWindow* note : desktop.windows()) {
        const QRect place = note->geometry();
        const QRect title(place.topLeft(), QSize(place.width(), NoteWindow::titleHeight));
        QVERIFY2(screen.contains(title), qPrintable(note->pagePath()));
        QVERIFY(place.width() <= qMin(screen.width(), NoteWindow::largestNote.width()));
        QVERIFY(place.height() <= qMin(screen.height(), NoteWindow::largestNote.height()));
    }
    // What the user left within reach stays as it was.
    QCOMPARE(desktop.windowOf(pages.second)->size(), QSize(200, 120));
}

QTEST_MAIN(DesktopItemsTest)
#include "tst_desktop_items.moc"
