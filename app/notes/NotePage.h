#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

class QRandomGenerator;

// The note page: a small coloured HTML page in the notes folder, written as the note dialog
// asks. Each line ends with CR LF; the text is UTF-8, this system's code page.
namespace NotePage {

// chkDatos's value that puts the caller's data on the page (0 and 2 leave it off).
inline constexpr quint8 ConDatos = 1;

// The program folder's "PostIt" when notes can be written there; otherwise (an installation
// under /opt or /usr) "$XDG_DATA_HOME/Llamora/PostIt".
[[nodiscard]] QString carpetaNotas(const QString& programFolder);
// Creates the notes folder; a folder already there, or any other error, is ignored here (the
// page's own writing reports it).
void CreaCarpeta(const QString& folder);

// One of "&HC0FFFF", "&HFFFFC0", "&HC0C0FF", "&HFFFFFF", each with probability 1/4.
[[nodiscard]] QString Color_Papel();
[[nodiscard]] QString Color_Papel(QRandomGenerator& random);
// The digits after "&H", read as a number and written again in upper-case hexadecimal.
[[nodiscard]] QString digitosColor(const QString& literal);

// "Lineo" + yyyymmddhhnnss of the moment.
[[nodiscard]] QString nombrePagina(const QDateTime& moment);

// The page's lines for one note, each ended by CR LF. now names the page and, without the
// caller's data, heads it. Line breaks in texto become CR LF too.
[[nodiscard]] QByteArray contenido(quint8 Datos, const QString& texto, const QString& Nom,
                                   const QString& Dir, const QString& Tel, const QString& Fecha,
                                   const QString& Fondo, const QDateTime& now,
                                   const QLocale& locale = QLocale());

// Archivo_HTML: appends the page to folder/name.html (created when absent; a second note in
// the same second follows the first) and returns the page's path. Empty when it cannot be
// written completely; whatever was in the file before stays as it was.
[[nodiscard]] std::optional<QString> Archivo_HTML(const QString& folder, quint8 Datos,
                                                  const QString& texto, const QString& Nom,
                                                  const QString& Dir, const QString& Tel,
                                                  const QString& Fecha, const QString& Fondo,
                                                  const QDateTime& now);

} // namespace NotePage
