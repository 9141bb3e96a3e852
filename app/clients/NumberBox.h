#pragma once

#include <QLineEdit>

// A telephone number box: digits only, however the text arrives. A key passes when it types a
// digit or is Backspace; other keys that type something, and the clipboard and other control
// shortcuts, are discarded. Text pasted or dropped is refused unless it is all digits.
// Keys that only move or delete (arrows, Home, End, Delete) and the dialog's Enter, Esc and Tab
// keep working.
class NumberBox final : public QLineEdit
{
    Q_OBJECT

public:
    explicit NumberBox(int maxLength, QWidget* parent = nullptr);

    // The key filter: whether this key press reaches the box.
    [[nodiscard]] static bool keyPasses(const QKeyEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
