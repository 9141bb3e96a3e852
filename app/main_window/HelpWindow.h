#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QTextBrowser;
class QUrl;

// The program's help: Spanish HTML pages from the help folder beside the program, with a
// search over them. One window, reused by every help entry.
class HelpWindow final : public QWidget
{
    Q_OBJECT

public:
    static constexpr QLatin1String indexPage{"index.html"};
    static constexpr QLatin1String searchPage{"buscar.html"};

    explicit HelpWindow(QString helpFolder, QWidget* parent = nullptr);

    // Each returns false, showing nothing, when the page is not in the help folder.
    bool showIndex();
    bool showSearch();

    // Lists the pages holding every word of the query; an empty query shows the search page.
    void search(const QString& query);

    [[nodiscard]] QString helpFolder() const { return m_folder; }
    [[nodiscard]] QTextBrowser* browser() const { return m_browser; }
    [[nodiscard]] QLineEdit* searchField() const { return m_txtBuscar; }

private:
    bool showPage(const QString& fileName);
    void openLink(const QUrl& url);
    void bringToFront();

    QString m_folder;
    QTextBrowser* m_browser = nullptr;
    QLineEdit* m_txtBuscar = nullptr;
};
