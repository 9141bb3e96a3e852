#pragma once

// The database layer's tests on real files: what they share.

#include "database/DataControl.h"
#include "database/DatabaseErrors.h"

#include <QDateTime>
#include <QStringList>
#include <QTest>

#include <memory>

// The names of the rows the control holds, in its order.
inline QStringList namesOf(DataControl& control)
{
    QStringList names;
    for (int row = 0; row < control.recordCount(); ++row)
        names << control.valueAt(row, QStringLiteral("Nombre")).toString();
    return names;
}

inline QDateTime at(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

// Adds count clients in one write, so that the client table spans many pages.
inline void addManyClients(DataControl& control, int count)
{
    QCOMPARE(control.open(), DatabaseError::None);
    QCOMPARE(control.connection().beginWrite(), DatabaseError::None);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(control.addNew(), DatabaseError::None);
        control.setField(QStringLiteral("Telefono"), QString::number(4000000 + i));
        control.setField(QStringLiteral("Nombre"), QStringLiteral("Cliente número %1").arg(i));
        QCOMPARE(control.update(), DatabaseError::None);
    }
    QCOMPARE(control.connection().commit(), DatabaseError::None);
}

// Each makes one test class; main runs them in turn.
std::unique_ptr<QObject> makeDatabaseFileTest();
std::unique_ptr<QObject> makeDatabaseStatementsTest();
std::unique_ptr<QObject> makeDatabaseRowsTest();
