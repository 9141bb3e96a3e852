#pragma once

#include "PostgresServer.h"

#include <QTest>

#include <memory>

// The rows of a case where the engine matters: one on the shared file, one on the office's
// server, told apart by the column "onServer".
inline void addEngineRows()
{
    QTest::addColumn<bool>("onServer");
    QTest::newRow("file") << false;
    QTest::newRow("server") << true;
}

// The server of a test class's "server" rows: started in its initTestCase, stopped in its
// cleanupTestCase.
class EngineServer
{
public:
    // Fails the test when the server cannot start.
    void start()
    {
        m_server = std::make_unique<PostgresServer>();
        QVERIFY2(m_server->isValid(), qPrintable(m_server->errorText()));
    }
    void stop() { m_server.reset(); }
    // The server on the current row's "server" row, none on its "file" row.
    [[nodiscard]] PostgresServer* forRow() const
    {
        QFETCH(bool, onServer);
        return onServer ? m_server.get() : nullptr;
    }

private:
    std::unique_ptr<PostgresServer> m_server;
};
