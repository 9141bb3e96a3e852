#pragma once

#include <QObject>

class QLineEdit;

// Makes a box select its whole text whenever it gets the focus, by a click too (the box's own
// focus handling selects it only for Tab and access keys).
class SelectAllOnFocus : public QObject
{
    Q_OBJECT

public:
    // Watches box; owned by it.
    static void install(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
