#pragma once

#include <QObject>

// The client editor on its own, over a plain data control as a list of clients would hold it.
class ClientEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void editorShowsAndSavesAClient();
    void newClientNeedsANumberOfItsOwn();
    void numberBoxesTakeDigitsOnly();
    void listOpensTheEditorInModes2And3();
    void saveMeetsOtherWorkstations();
};
