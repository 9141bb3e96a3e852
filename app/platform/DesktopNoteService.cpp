#include "DesktopNoteService.h"

#include "DataFolder.h"
#include "DesktopPlacement.h"
#include "NoteWindow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QScreen>

namespace {

// A move or a resize is written a moment after the user stops, not at every step.
constexpr int saveDelayMs = 300;

QJsonObject toJson(const DesktopNoteService::Item& item)
{
    return {{QStringLiteral("pagina"), item.pagePath},
            {QStringLiteral("x"), item.geometry.x()},
            {QStringLiteral("y"), item.geometry.y()},
            {QStringLiteral("ancho"), item.geometry.width()},
            {QStringLiteral("alto"), item.geometry.height()}};
}

} // namespace

QString DesktopNoteService::defaultListPath()
{
    return dataFolder() + QStringLiteral("/escritorio.json");
}

DesktopNoteService::DesktopNoteService(const QString& listPath, QObject* parent)
    : QObject(parent)
    , m_listPath(listPath)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(saveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &DesktopNoteService::saveNow);
}

DesktopNoteService::~DesktopNoteService()
{
    if (m_saveTimer.isActive())
        saveNow();
    for (const QPointer<NoteWindow>& window : std::as_const(m_windows))
        delete window.data();
}

bool DesktopNoteService::activate()
{
    if (m_active)
        return !m_listUnreadable;
    m_active = true;
    bool ok = true;
    const QList<Item> remembered = readList(&ok);
    if (!ok) {
        // Kept aside for the user, so that the notes added from now on can be remembered.
        const QString aside =
            m_listPath + QStringLiteral(".ilegible-") +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        if (QFile::rename(m_listPath, aside))
            m_setAsidePath = aside;
        else
            m_listUnreadable = true;
        return false;
    }
    bool forgotten = false;
    for (const Item& item : remembered) {
        // The user deleted the page: nothing is left to show.
        if (!QFileInfo::exists(item.pagePath)) {
            forgotten = true;
            continue;
        }
        if (!windowOf(item.pagePath))
            showItem(item.pagePath, item.geometry);
    }
    if (forgotten)
        saveNow();
    return true;
}

DesktopItems::AddResult DesktopNoteService::addItem(const QString& pagePath)
{
    const QString path = QFileInfo(pagePath).absoluteFilePath();
    if (!QGuiApplication::primaryScreen())
        return AddResult::NoDisplay;
    if (NoteWindow* existing = windowOf(path)) {
        // A second note in the same second went into the same page.
        if (!existing->reload())
            return AddResult::PageUnreadable;
        existing->fitPage();
        existing->show();
        existing->raise();
        return AddResult::Shown;
    }
    NoteWindow* window = showItem(path, QRect());
    if (!window)
        return AddResult::PageUnreadable;
    saveNow();
    return AddResult::Shown;
}

NoteWindow* DesktopNoteService::showItem(const QString& pagePath, const QRect& geometry)
{
    auto* window = new NoteWindow(pagePath);
    if (window->html().isNull() && !window->reload()) {
        delete window;
        return nullptr;
    }
    // The primary screen first: new notes go there, and it takes in notes far from any screen.
    QList<QRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        screens.append(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            screens.append(screen->availableGeometry());
    }
    QRect place;
    if (geometry.isValid()) {
        place = DesktopPlacement::reachablePlace(geometry, screens, NoteWindow::smallestNote,
                                                 NoteWindow::largestNote, NoteWindow::titleHeight);
    } else {
        QList<QRect> taken;
        for (const NoteWindow* other : windows())
            taken.append(other->geometry());
        const QRect area = screens.isEmpty() ? QRect(0, 0, 1024, 768) : screens.first();
        place = DesktopPlacement::freePlace(area, window->preferredSize(), taken);
    }
    window->setGeometry(place);
    m_windows.append(window);
    window->show();
    connect(window, &NoteWindow::placeChanged, this, &DesktopNoteService::saveSoon);
    connect(window, &NoteWindow::removeRequested, this, [this, window] { remove(window); });
    return window;
}

void DesktopNoteService::remove(NoteWindow* window)
{
    m_windows.removeAll(window);
    window->hide();
    window->deleteLater();
    saveNow();
}

QList<DesktopNoteService::Item> DesktopNoteService::items() const
{
    QList<Item> result;
    for (const NoteWindow* window : windows())
        result.append({window->pagePath(), window->geometry()});
    return result;
}

QList<NoteWindow*> DesktopNoteService::windows() const
{
    QList<NoteWindow*> result;
    for (const QPointer<NoteWindow>& window : m_windows) {
        if (window)
            result.append(window.data());
    }
    return result;
}

NoteWindow* DesktopNoteService::windowOf(const QString& pagePath) const
{
    for (NoteWindow* window : windows()) {
        if (window->pagePath() == pagePath)
            return window;
    }
    return nullptr;
}

QList<DesktopNoteService::Item> DesktopNoteService::readList(bool* ok) const
{
    *ok = true;
    QFile file(m_listPath);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        return {};
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *ok = false;
        return {};
    }
    QList<Item> result;
    const QJsonArray notes = document.object().value(QStringLiteral("notas")).toArray();
    for (const QJsonValue& value : notes) {
        const QJsonObject note = value.toObject();
        const QString page = note.value(QStringLiteral("pagina")).toString();
        if (page.isEmpty())
            continue;
        const QRect geometry(note.value(QStringLiteral("x")).toInt(),
                             note.value(QStringLiteral("y")).toInt(),
                             note.value(QStringLiteral("ancho")).toInt(),
                             note.value(QStringLiteral("alto")).toInt());
        result.append({page, geometry});
    }
    return result;
}

void DesktopNoteService::saveSoon()
{
    m_saveTimer.start();
}

bool DesktopNoteService::saveNow()
{
    m_saveTimer.stop();
    // What the user had is kept until someone looks at it.
    if (m_listUnreadable) {
        reportNotSaved();
        return false;
    }
    QJsonArray notes;
    for (const Item& item : items())
        notes.append(toJson(item));
    const QJsonObject root{{QStringLiteral("notas"), notes}};
    QSaveFile file(m_listPath);
    const bool saved = QDir().mkpath(QFileInfo(m_listPath).absolutePath()) &&
                       file.open(QIODevice::WriteOnly) &&
                       file.write(QJsonDocument(root).toJson()) >= 0 && file.commit();
    if (saved)
        m_notSavedReported = false;
    else
        reportNotSaved();
    return saved;
}

void DesktopNoteService::reportNotSaved()
{
    if (m_notSavedReported)
        return;
    m_notSavedReported = true;
    emit listNotSaved(m_listPath);
}
