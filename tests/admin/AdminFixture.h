#pragma once

#include "DateBox.h"
#include "EngineRows.h"
#include "TestEnvironment.h"
#include "TypeText.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

// What the browser and purge tests share: a database to fill, and ways to reach the widgets.

inline QDate today()
{
    return QDate::currentDate();
}

class PostgresServer;

// A program folder with the empty database, or a fresh database on the server when one is
// given, filled with plain SQL.
class Office
{
public:
    explicit Office(PostgresServer* server = nullptr);

    [[nodiscard]] QString path() const { return m_path; }
    // The new row's key, 0 when the insert failed.
    qint64 client(const QString& nombre, const QString& telefono, int cantLlamadas = 0,
                  bool alerta = false);
    qint64 call(qint64 cliente, const QDateTime& fecha, int puesto = 1);
    // Many calls a second apart from 08:00 of day, in one transaction; false when it failed.
    bool oldCalls(qint64 cliente, int count, const QDate& day);
    // A number read with a query of its own (-1 when there is none).
    qint64 scalar(const QString& sql);
    // Runs a statement: the first column of its first row (a key it returns), else the rows it
    // touched; 0 when it failed.
    qint64 exec(const QString& sql, const QVariantList& values = {});

private:
    TestEnvironment m_environment;
    QString m_path;
};

template <typename T>
T* child(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (found == nullptr)
        qFatal("no widget %s", name);
    return found;
}

inline QString text(QWidget* window, const char* label)
{
    return child<QLabel>(window, label)->text();
}

inline void click(QWidget* window, const char* button)
{
    child<QPushButton>(window, button)->click();
}

// Replaces a date box's text the way a user does: select all, then type.
inline void typeDate(DateBox* box, const QString& date)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    box->setCursorPosition(0);
    typeText(box, date);
}

inline QString regional(const QDate& date)
{
    return date.toString(DateBox::maskFormat());
}

// The texts of one column of a grid.
inline QStringList column(QTableView* grid, int column)
{
    QStringList texts;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        texts << grid->model()->index(row, column).data().toString();
    return texts;
}