#pragma once

#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QModelIndex;
class QTreeView;

// Chooses a folder: a list of places (the mounted volumes and the home folder, where the old
// drive list stood) above a tree of folders. One folder is always open; a location that cannot be
// opened leaves the open folder where it was, without a message, as a drive that is not ready did.
class FolderChooser : public QWidget
{
    Q_OBJECT

public:
    explicit FolderChooser(QWidget* parent = nullptr);

    [[nodiscard]] QString folder() const { return m_folder; }
    // Opens path when it is a readable folder; otherwise returns false and changes nothing.
    bool openFolder(const QString& path);

    [[nodiscard]] QComboBox* placeList() const { return m_places; }
    [[nodiscard]] QTreeView* folderView() const { return m_view; }
    [[nodiscard]] QLineEdit* pathEdit() const { return m_pathEdit; }

signals:
    void folderChanged(const QString& folder);

private:
    void fillPlaces();
    void openPlace(int index);
    void openFromView(const QModelIndex& current);
    void openTypedPath();
    void showFolder();

    QComboBox* m_places = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QTreeView* m_view = nullptr;
    QFileSystemModel* m_model = nullptr;
    QString m_folder;
    bool m_showingFolder = false;
};
