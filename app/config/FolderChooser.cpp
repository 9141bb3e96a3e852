#include "FolderChooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Kernel and runtime file systems are no place for a database; removable media and the
// desktop's network shares (udisks under /run/media, gvfs under /run/user) are.
bool isUserVolume(const QStorageInfo& volume)
{
    if (!volume.isValid() || !volume.isReady() || volume.isRoot())
        return false;
    const QString root = volume.rootPath();
    if (!QFileInfo(root).isDir())
        return false;
    if (root.startsWith(QLatin1String("/run/media/")) ||
        (root.startsWith(QLatin1String("/run/user/")) && root.endsWith(QLatin1String("/gvfs"))))
        return true;
    for (const char* hidden : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"}) {
        const QString prefix = QLatin1String(hidden);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return false;
    }
    return true;
}

bool canOpen(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
}

QString normalised(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool contains(const QString& root, const QString& path)
{
    if (root == QLatin1String("/"))
        return true;
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

FolderChooser::FolderChooser(QWidget* parent)
    : QWidget(parent)
    , m_places(new QComboBox(this))
    , m_pathEdit(new QLineEdit(this))
    , m_view(new QTreeView(this))
    , m_model(new QFileSystemModel(this))
{
    m_places->setObjectName(QStringLiteral("Drive1"));
    m_pathEdit->setObjectName(QStringLiteral("txtCarpeta"));
    m_view->setObjectName(QStringLiteral("Dir1"));

    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());
    m_view->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_view->hideColumn(column);
    m_view->header()->hide();
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* placesLabel = new QLabel(QStringLiteral("Unida&d:"), this);
    placesLabel->setBuddy(m_places);
    auto* pathLabel = new QLabel(QStringLiteral("Ca&rpeta:"), this);
    pathLabel->setBuddy(m_pathEdit);
    auto* fields = new QFormLayout;
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addRow(placesLabel, m_places);
    fields->addRow(pathLabel, m_pathEdit);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(fields);
    layout->addWidget(m_view, 1);

    fillPlaces();
    openFolder(QDir::homePath());

    connect(m_places, &QComboBox::activated, this, &FolderChooser::openPlace);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderChooser::openFromView);
    connect(m_pathEdit, &QLineEdit::returnPressed, this, &FolderChooser::openTypedPath);
    connect(m_pathEdit, &QLineEdit::editingFinished, this, &FolderChooser::openTypedPath);
}

void FolderChooser::fillPlaces()
{
    m_places->clear();
    m_places->addItem(QDir::rootPath(), QDir::rootPath());
    const QString home = QDir::homePath();
    m_places->addItem(QStringLiteral("Carpeta personal (") + QDir::toNativeSeparators(home) +
                          QLatin1Char(')'),
                      home);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!isUserVolume(volume))
            continue;
        const QString root = volume.rootPath();
        const QString name = volume.displayName();
        const QString text = name == root ? QDir::toNativeSeparators(root)
                                          : name + QStringLiteral(" (") +
                                                QDir::toNativeSeparators(root) + QLatin1Char(')');
        m_places->addItem(text, root);
    }
}

bool FolderChooser::openFolder(const QString& path)
{
    if (!canOpen(path))
        return false;
    const QString target = normalised(path);
    const bool changed = target != m_folder;
    m_folder = target;
    showFolder();
    if (changed)
        emit folderChanged(m_folder);
    return true;
}

void FolderChooser::openPlace(int index)
{
    // A place that is not ready keeps the folder where it was; the list follows the folder again.
    if (!openFolder(m_places->itemData(index).toString()))
        showFolder();
}

void FolderChooser::openFromView(const QModelIndex& current)
{
    if (m_showingFolder)
        return;
    if (!current.isValid() || !openFolder(m_model->filePath(current)))
        showFolder();
}

void FolderChooser::openTypedPath()
{
    if (m_pathEdit->text() == QDir::toNativeSeparators(m_folder))
        return;
    if (!openFolder(QDir::fromNativeSeparators(m_pathEdit->text().trimmed())))
        showFolder();
}

// Brings the place list, the typed path and the tree in line with the open folder.
void FolderChooser::showFolder()
{
    int bestPlace = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_places->count(); ++i) {
        const QString root = m_places->itemData(i).toString();
        if (contains(root, m_folder) && root.size() > bestLength) {
            bestPlace = i;
            bestLength = root.size();
        }
    }
    {
        const QSignalBlocker blockPlaces(m_places);
        m_places->setCurrentIndex(bestPlace);
    }
    m_pathEdit->setText(QDir::toNativeSeparators(m_folder));

    const QModelIndex index = m_model->index(m_folder);
    m_showingFolder = true;
    m_view->setCurrentIndex(index);
    m_view->expand(index);
    m_view->scrollTo(index);
    m_showingFolder = false;
}
