#include "ClientFormsSupport.h"

#include "DatabaseWorker.h"
#include "Parlux.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/Statements.h"
#include "frmIdentificador.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

QString text(const QWidget& form, const char* name)
{
    if (const auto* label = child<QLabel>(form, name))
        return label->text();
    if (const auto* line = child<QLineEdit>(form, name))
        return line->text();
    if (const auto* lines = child<QPlainTextEdit>(form, name))
        return lines->toPlainText();
    return QStringLiteral("<no %1>").arg(QLatin1String(name));
}

void click(const QWidget& form, const char* button)
{
    QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
}

QString panelText(const frmIdentificador& w, const char* label)
{
    const auto* found = w.Parlux1()->findChild<QLabel*>(QLatin1String(label));
    return found ? found->text() : QStringLiteral("<no %1>").arg(QLatin1String(label));
}

QStringList focusOrder(QWidget* first)
{
    QStringList names;
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus && widget->isVisibleTo(first->window()))
            names << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != first && names.size() < 20);
    return names;
}

qint64 addCaller(const QString& databasePath, const QString& telefono)
{
    DataControl datLlamada;
    datLlamada.setDatabaseName(databasePath);
    datLlamada.setRecordSource(Statements::clientByTelephone(telefono));
    qint64 id = 0;
    if (datLlamada.refresh() != DatabaseError::None ||
        addCallerAsClient(datLlamada, telefono, QDate(2024, 1, 15), &id) != DatabaseError::None)
        return 0;
    return id;
}

ClientRecord stored(const QString& databasePath, qint64 id)
{
    ClientRecord client;
    readClient(databasePath, id, &client);
    return client;
}

void attachList(DataControl& list, const QString& databasePath, const QString& telefono)
{
    list.setDatabaseName(databasePath);
    list.setRecordSource(Statements::clientByTelephone(telefono));
    list.refresh();
}

std::unique_ptr<QProcess> holdEdit(const QString& databasePath, const QString& telefono)
{
    QStringList said;
    auto process =
        DatabaseWorker::startReady({QStringLiteral("hold-edit"), databasePath, telefono}, &said);
    return said == QStringList{QStringLiteral("edit 0")} ? std::move(process) : nullptr;
}

QString deleteElsewhere(const QString& databasePath, const QString& telefono)
{
    return DatabaseWorker::runToEnd({QStringLiteral("delete"), databasePath, telefono});
}

QString shown(MessageIcon icon, const QString& text)
{
    return QStringLiteral("%1|%2").arg(int(icon)).arg(text);
}

QString shownList(const MessageBox::Script& script)
{
    QStringList texts;
    for (const MessageBox::Shown& message : script.shown())
        texts << shown(message.message.icon, message.message.text);
    return texts.join(QLatin1Char('\n'));
}
