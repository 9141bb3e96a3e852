#include "NotePage.h"

#include "DataFolder.h"
#include "database/DateText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryFile>

namespace NotePage {

namespace {

const QString lineEnd = QStringLiteral("\r\n");

// Whether a file can really be created in folder (permissions, read-only mounts, ACLs).
bool canWriteIn(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".llamora-XXXXXX")));
    return probe.open();
}

QString heading(const QString& moment)
{
    return QStringLiteral("<font face='Arial,Helvetica'><font color='#009900'><font size=-2>"
                          "Llamora&nbsp; </font></font><br><font color='#FF0000'><font size=-2>") +
           moment + QStringLiteral("</font></font></font>");
}

} // namespace

QString carpetaNotas(const QString& programFolder)
{
    const QString own = QDir(programFolder).filePath(QStringLiteral("PostIt"));
    const QFileInfo ownInfo(own);
    if (ownInfo.exists() ? !ownInfo.isDir() || canWriteIn(own) : canWriteIn(programFolder))
        return own;
    return dataFolder() + QStringLiteral("/PostIt");
}

void CreaCarpeta(const QString& folder)
{
    static_cast<void>(QDir().mkpath(folder));
}

QString Color_Papel()
{
    return Color_Papel(*QRandomGenerator::global());
}

QString Color_Papel(QRandomGenerator& random)
{
    static const QString colours[] = {
        QStringLiteral("&HC0FFFF"),
        QStringLiteral("&HFFFFC0"),
        QStringLiteral("&HC0C0FF"),
        QStringLiteral("&HFFFFFF"),
    };
    return colours[random.bounded(4)];
}

QString digitosColor(const QString& literal)
{
    bool ok = false;
    const uint value = literal.mid(2).toUInt(&ok, 16);
    return ok ? QString::number(value, 16).toUpper() : QString();
}

QString nombrePagina(const QDateTime& moment)
{
    return QStringLiteral("Lineo") + moment.toString(QStringLiteral("yyyyMMddHHmmss"));
}

QByteArray contenido(quint8 Datos, const QString& texto, const QString& Nom, const QString& Dir,
                     const QString& Tel, const QString& Fecha, const QString& Fondo,
                     const QDateTime& now, const QLocale& locale)
{
    QStringList lines{
        QStringLiteral("<!doctype html public '-//w3c//dtd html 4.0 transitional//en'>"),
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>") + nombrePagina(now) + QStringLiteral("</title>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body text='#000000' bgcolor='#") + Fondo + QStringLiteral("'>"),
    };
    if (Datos == ConDatos) {
        lines.append(heading(Fecha));
        lines.append(QStringLiteral("<br><font face='Arial,Helvetica'><font color='#FF0000'>"
                                    "<font size=-2>") +
                     Nom + QStringLiteral("</font></font></font>"));
        lines.append(QStringLiteral("<br><i><font face='Arial,Helvetica'><font color='#FF0000'>"
                                    "<font size=-2>") +
                     Dir + QStringLiteral(" Tel. ") + Tel +
                     QStringLiteral("</font></font></font></i><i><font face='Arial,Helvetica'>"
                                    "<font color='#FF0000'><font size=-2></font></font></font>"
                                    "</i>"));
    } else {
        lines.append(heading(DateText::regionalDateTime(now, locale)));
    }
    lines.append(QStringLiteral("<br><font face='Arial,Helvetica'><font size=-2>"
                                "-------------------------</font></font>"));
    // The text goes in as typed: its line breaks keep the page's own line end.
    QString text = texto;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), lineEnd);
    lines.append(QStringLiteral("<br><font face='Arial,Helvetica'><font size=-2>") + text +
                 QStringLiteral("</font></font>"));
    lines.append(QStringLiteral("</body>"));
    lines.append(QStringLiteral("</html>"));
    return (lines.join(lineEnd) + lineEnd).toUtf8();
}

std::optional<QString> Archivo_HTML(const QString& folder, quint8 Datos, const QString& texto,
                                    const QString& Nom, const QString& Dir, const QString& Tel,
                                    const QString& Fecha, const QString& Fondo,
                                    const QDateTime& now)
{
    const QString path = QDir(folder).filePath(nombrePagina(now) + QStringLiteral(".html"));
    const QByteArray bytes = contenido(Datos, texto, Nom, Dir, Tel, Fecha, Fondo, now);
    QFile page(path);
    const bool existed = page.exists();
    if (!page.open(QIODevice::WriteOnly | QIODevice::Append))
        return std::nullopt;
    const qint64 before = page.size();
    if (page.write(bytes) == bytes.size() && page.flush())
        return path;
    // A page half written (disk full) would spoil the one already there.
    if (existed)
        static_cast<void>(page.resize(before));
    page.close();
    if (!existed)
        QFile::remove(path);
    return std::nullopt;
}

} // namespace NotePage
