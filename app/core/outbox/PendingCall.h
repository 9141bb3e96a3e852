#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// A call this workstation took but could not log: what the call row needs, kept until the
// database can be written again.
struct PendingCall
{
    QString Telefono;
    QDateTime Fecha; // whole seconds, the moment the panel showed
    qint16 Puesto = 0;

    friend bool operator==(const PendingCall&, const PendingCall&) = default;
};
