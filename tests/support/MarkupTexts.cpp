#include "MarkupTexts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTextDocument>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FifoTrap::FifoTrap()
    : m_dir(QDir::tempPath() + QStringLiteral("/fifoXXXXXX"))
    , m_path(m_dir.path() + QStringLiteral("/p"))
{
    m_valid = m_dir.isValid() && ::mkfifo(QFile::encodeName(m_path).constData(), 0600) == 0;
    if (m_valid)
        m_watcher = std::thread([this] { watch(); });
}

FifoTrap::~FifoTrap()
{
    m_stop = true;
    if (m_watcher.joinable())
        m_watcher.join();
}

QString FifoTrap::picture() const
{
    return QStringLiteral("<img src=") + m_path + QLatin1Char('>');
}

void FifoTrap::watch()
{
    const QByteArray name = QFile::encodeName(m_path);
    while (!m_stop) {
        // Opening the writing end without waiting succeeds only while a reader has it open (or
        // waits in open()); closing it again gives that reader an empty file.
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ++m_openings;
            ::close(fd);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

QString markupText(const FifoTrap& trap, const QString& word, int maxLength)
{
    const QString text = QStringLiteral("<b>") + word + QStringLiteral("</b>&amp;");
    const QString withPicture = text + trap.picture();
    return withPicture.size() <= maxLength ? withPicture : text.left(maxLength);
}

QStringList richLabels(const QWidget& root)
{
    QStringList rich;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        const Qt::TextFormat format = label->textFormat();
        if (format == Qt::RichText ||
            (format == Qt::AutoText && Qt::mightBeRichText(label->text())))
            rich.append(label->objectName() + QStringLiteral(": ") + label->text());
    }
    return rich;
}
