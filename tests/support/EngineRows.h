#pragma once

#include <QTest>

// The rows of a case where the engine matters: one on the shared file, one on the office's
// server, told apart by the column "onServer".
inline void addEngineRows()
{
    QTest::addColumn<bool>("onServer");
    QTest::newRow("file") << false;
    QTest::newRow("server") << true;
}
