#pragma once

#include <QObject>

class CallerIdParserTest : public QObject
{
    Q_OBJECT

private slots:
    void recordSplitAnywhere();
    void incompleteRecordsWait();
    void longTextIsDropped();
    void longRecordByteByByte();
    void dialects_data();
    void dialects();
    void randomChunkings();
    void randomBytesRaiseNothing();
};
