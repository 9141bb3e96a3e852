#pragma once

#include "EngineRows.h"

#include <QObject>

// The client editor on its own, over a plain data control as a list of clients would hold it.
// Where the engine matters the cases run on the file and on the office's server.
class ClientEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void editorShowsAndSavesAClient_data();
    void editorShowsAndSavesAClient();
    void newClientNeedsANumberOfItsOwn_data();
    void newClientNeedsANumberOfItsOwn();
    void numberBoxesTakeDigitsOnly();
    void listOpensTheEditorInModes2And3();
    void saveMeetsOtherWorkstations_data();
    void saveMeetsOtherWorkstations();

private:
    EngineServer m_server;
};
