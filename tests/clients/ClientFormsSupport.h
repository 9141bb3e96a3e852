#pragma once

// Shared by the client form tests: reaching a form's controls, driving modal forms, filling the
// database as the program does, and another workstation through db_worker.
#include "MessageBox.h"
#include "database/RowOperations.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class DataControl;
class QProcess;
class frmIdentificador;

template <typename T>
T* child(const QWidget& parent, const char* name)
{
    return parent.findChild<T*>(QLatin1String(name));
}

// The text of a label, a line box or a multi-line box of the form.
QString text(const QWidget& form, const char* name);
void click(const QWidget& form, const char* button);
QString panelText(const frmIdentificador& w, const char* label);
// The focus chain from a widget, through the visible widgets that take Tab.
QStringList focusOrder(QWidget* first);

// Acts on the modal dialog of type Dialog as soon as one is up; stops when the handle goes.
template <typename Dialog>
std::unique_ptr<QTimer> whenModal(std::function<void(Dialog&)> action)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(10);
    QTimer* raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [raw, action] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            raw->stop();
            action(*dialog);
        }
    });
    timer->start();
    return timer;
}

// A client as the call reception makes one: only Telefono and FIngreso, the rest Null.
qint64 addCaller(const QString& databasePath, const QString& telefono);
ClientRecord stored(const QString& databasePath, qint64 id);
// The list of one client, as a browser would hold it, on that client.
void attachList(DataControl& list, const QString& databasePath, const QString& telefono);

// Another workstation that edits the client and keeps the write lock until it is finished.
std::unique_ptr<QProcess> holdEdit(const QString& databasePath, const QString& telefono);
// Another workstation deletes the client; returns what it said ("delete 0").
QString deleteElsewhere(const QString& databasePath, const QString& telefono);

// The messages shown, "icon|text" each, one per line.
QString shownList(const MessageBox::Script& script);
QString shown(MessageIcon icon, const QString& text);
