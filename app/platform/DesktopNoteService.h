#pragma once

#include "DesktopItems.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class NoteWindow;

// The program's own desktop for note pages: each page is a NoteWindow, and the list of pages
// with where each was left is kept in a file of its own, so the notes come back when the
// program starts again. Removing a note forgets it; its page file stays.
class DesktopNoteService final : public QObject, public DesktopItems
{
    Q_OBJECT

public:
    struct Item
    {
        QString pagePath;
        QRect geometry;

        friend bool operator==(const Item&, const Item&) = default;
    };

    // $XDG_DATA_HOME/Llamora/escritorio.json (~/.local/share/Llamora when XDG_DATA_HOME is unset).
    [[nodiscard]] static QString defaultListPath();

    explicit DesktopNoteService(const QString& listPath = defaultListPath(),
                                QObject* parent = nullptr);
    // Writes a change still waiting, then takes the notes off the screen.
    ~DesktopNoteService() override;

    [[nodiscard]] QString listPath() const { return m_listPath; }
    // Where an unreadable list was put aside by activate(); empty when none was.
    [[nodiscard]] QString setAsidePath() const { return m_setAsidePath; }

    [[nodiscard]] bool isActive() const override { return m_active; }
    // Shows the remembered notes. Items whose page is gone are forgotten. A list that cannot be
    // read gives false: it is renamed aside (setAsidePath()) and a new one begins; when even
    // that fails it is left as it is and never written over.
    bool activate() override;
    AddResult addItem(const QString& pagePath) override;

    // The items as they stand, in the order they were added.
    [[nodiscard]] QList<Item> items() const;
    [[nodiscard]] QList<NoteWindow*> windows() const;
    [[nodiscard]] NoteWindow* windowOf(const QString& pagePath) const;
    // Writes the list now instead of a moment after the last change; false when it cannot.
    bool saveNow();

signals:
    // The list could not be written: the notes show, but would not come back after a restart.
    // Given once per failure, not at every move, until a save succeeds again.
    void listNotSaved(const QString& listPath);

private:
    NoteWindow* showItem(const QString& pagePath, const QRect& geometry);
    void remove(NoteWindow* window);
    [[nodiscard]] QList<Item> readList(bool* ok) const;
    void saveSoon();
    void reportNotSaved();

    QString m_listPath;
    bool m_active = false;
    // The list on disk could not be read; it is kept for the user instead of overwritten.
    bool m_listUnreadable = false;
    // The user has been told the list is not being saved; told again only after a good save.
    bool m_notSavedReported = false;
    QString m_setAsidePath;
    QList<QPointer<NoteWindow>> m_windows;
    QTimer m_saveTimer;
};
