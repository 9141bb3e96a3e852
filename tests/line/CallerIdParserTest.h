#pragma once

#include <QObject>

class CallerIdParserTest : public QObject
{
    Q_OBJECT

private slots:
    void plainRecordInOneChunk();
    void plainRecordSplitAnywhere();
    void withheldNumbers_data();
    void withheldNumbers();
    void incompleteRecordsWait();
    void textAfterRecordIsNoCall();
    void longTextIsDropped();
    void dialects_data();
    void dialects();
    void twoRecordsInOneChunk();
    void randomChunkings();
    void randomBytesRaiseNothing();
};
