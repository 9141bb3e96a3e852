#include "HelpWindow.h"

#include "HelpSearch.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// Links of the form "buscar:palabra" on the help pages run a search for that word.
const QLatin1String searchScheme("buscar");
} // namespace

HelpWindow::HelpWindow(QString helpFolder, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_folder(std::move(helpFolder))
{
    setObjectName(QStringLiteral("frmAyuda"));
    setWindowTitle(QStringLiteral("Ayuda de Llamora"));
    resize(640, 520);

    auto* cmdContenido = new QPushButton(QStringLiteral("Contenido"), this);
    auto* cmdAtras = new QPushButton(QStringLiteral("Atrás"), this);
    auto* cmdAdelante = new QPushButton(QStringLiteral("Adelante"), this);
    m_txtBuscar = new QLineEdit(this);
    m_txtBuscar->setObjectName(QStringLiteral("txtBuscar"));
    m_txtBuscar->setPlaceholderText(QStringLiteral("Palabras a buscar en la ayuda"));
    m_txtBuscar->setClearButtonEnabled(true);
    auto* cmdBuscar = new QPushButton(QStringLiteral("Buscar"), this);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("browser"));
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({m_folder});

    auto* bar = new QHBoxLayout;
    bar->addWidget(cmdContenido);
    bar->addWidget(cmdAtras);
    bar->addWidget(cmdAdelante);
    bar->addSpacing(12);
    bar->addWidget(m_txtBuscar, 1);
    bar->addWidget(cmdBuscar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);

    cmdAtras->setEnabled(false);
    cmdAdelante->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, cmdAtras, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, cmdAdelante, &QWidget::setEnabled);
    connect(cmdAtras, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(cmdAdelante, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(cmdContenido, &QPushButton::clicked, this, [this] { showIndex(); });
    connect(cmdBuscar, &QPushButton::clicked, this, [this] { search(m_txtBuscar->text()); });
    connect(m_txtBuscar, &QLineEdit::returnPressed, this, [this] { search(m_txtBuscar->text()); });
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::openLink);
}

bool HelpWindow::showIndex()
{
    return showPage(indexPage);
}

bool HelpWindow::showSearch()
{
    if (!showPage(searchPage))
        return false;
    m_txtBuscar->setFocus();
    m_txtBuscar->selectAll();
    return true;
}

void HelpWindow::search(const QString& query)
{
    if (query.trimmed().isEmpty()) {
        showSearch();
        return;
    }
    m_txtBuscar->setText(query);
    const HelpSearch helpSearch(m_folder);
    m_browser->setHtml(HelpSearch::resultsHtml(query, helpSearch.find(query)));
    bringToFront();
}

bool HelpWindow::showPage(const QString& fileName)
{
    const QString path = QDir(m_folder).filePath(fileName);
    if (!QFileInfo::exists(path))
        return false;
    m_browser->setSource(QUrl::fromLocalFile(path));
    bringToFront();
    return true;
}

void HelpWindow::openLink(const QUrl& url)
{
    if (url.scheme() == searchScheme) {
        search(url.path());
        return;
    }
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") ||
        url.scheme() == QLatin1String("mailto")) {
        QDesktopServices::openUrl(url);
        return;
    }
    // Relative links resolve against the page shown; after a search there is none, and the
    // result links are absolute.
    const QUrl resolved = m_browser->source().isValid() ? m_browser->source().resolved(url) : url;
    m_browser->setSource(resolved);
}

void HelpWindow::bringToFront()
{
    show();
    raise();
    activateWindow();
}
