#include "export/ListExport.h"

#include "database/DatabaseErrors.h"
#include "export/Csv.h"
#include "export/ListReader.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
// The file is written in pieces of about this size.
constexpr qsizetype writeChunk = 1 << 20;

ListExport::Outcome fileFailed(const QSaveFile& file)
{
    ListExport::Outcome outcome;
    outcome.kind = ListExport::Outcome::Kind::FileFailed;
    outcome.fileError = file.error();
    return outcome;
}
} // namespace

ListExport::ListExport(QString databasePath, Statement statement, QList<ListColumn> columns,
                       QString filePath)
    : m_databasePath(std::move(databasePath))
    , m_statement(std::move(statement))
    , m_columns(std::move(columns))
    , m_filePath(std::move(filePath))
{}

ListExport::Outcome ListExport::run(const Progress& progress)
{
    ListReader reader(m_statement, m_columns);
    Outcome outcome;
    if (const int error = reader.open(m_databasePath); error != DatabaseError::None) {
        outcome.kind = Outcome::Kind::DatabaseFailed;
        outcome.databaseError = error;
        return outcome;
    }
    // Written to a temporary file beside the target, which takes its place at commit().
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return fileFailed(file);
    QByteArray buffer = Csv::byteOrderMark();
    buffer.reserve(2 * writeChunk);
    QStringList captions;
    for (const ListColumn& column : std::as_const(m_columns))
        captions << column.caption;
    Csv::appendLine(captions, &buffer);
    const int lastColumn = static_cast<int>(m_columns.size()) - 1;
    const ListReader::CellSink writeCell = [&](int column, QByteArrayView text) {
        Csv::appendField(text, column == 0, &buffer);
        if (column == lastColumn) {
            Csv::endLine(&buffer);
            ++outcome.rows;
        }
    };
    while (!reader.atEnd()) {
        if (m_stop) {
            file.cancelWriting();
            outcome.kind = Outcome::Kind::Stopped;
            return outcome;
        }
        if (const int error = reader.readPage(writeCell); error != DatabaseError::None) {
            file.cancelWriting();
            outcome.kind = Outcome::Kind::DatabaseFailed;
            outcome.databaseError = error;
            return outcome;
        }
        if (buffer.size() >= writeChunk) {
            if (file.write(buffer) != buffer.size())
                return fileFailed(file);
            buffer.resize(0);
        }
        if (progress)
            progress(outcome.rows, reader.rowCount());
    }
    if (file.write(buffer) != buffer.size() || !file.commit())
        return fileFailed(file);
    return outcome;
}

Message ListExport::failureMessage(const Outcome& outcome, const QString& filePath)
{
    const QString name = QStringLiteral("«") + QFileInfo(filePath).fileName() + QStringLiteral("»");
    switch (outcome.kind) {
    case Outcome::Kind::Written:
    case Outcome::Kind::Stopped:
        break;
    case Outcome::Kind::DatabaseFailed:
        return {QStringLiteral("No se pudo leer la lista para exportarla; no se guardó ningún "
                               "archivo. ") +
                    technicalSupportMessage(outcome.databaseError).text,
                MessageIcon::Critical};
    case Outcome::Kind::FileFailed:
        if (outcome.fileError == QFileDevice::ResourceError)
            return {QStringLiteral("No se pudo guardar el archivo ") + name +
                        QStringLiteral(": no queda espacio en el disco. No se guardó nada."),
                    MessageIcon::Exclamation};
        if (outcome.fileError == QFileDevice::OpenError ||
            outcome.fileError == QFileDevice::PermissionsError)
            return {QStringLiteral("No se pudo crear el archivo ") + name +
                        QStringLiteral(". Compruebe que la carpeta existe y que tiene permiso "
                                       "para escribir en ella."),
                    MessageIcon::Exclamation};
        return {QStringLiteral("No se pudo guardar el archivo ") + name +
                    QStringLiteral(": falló la escritura en el disco. No se guardó nada."),
                MessageIcon::Exclamation};
    }
    return {};
}
