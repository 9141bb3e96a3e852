#pragma once

#include <QDate>
#include <QLineEdit>

// A masked date box "##/##/####" in the workstation's day order (day, month and year in the
// order of its short date). Only digits, "/" (and "-" where allowed) and Backspace reach it;
// the mask decides what each position takes. Focus selects the whole text.
class DateBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit DateBox(bool allowDash = false, QWidget* parent = nullptr);

    // The date typed, or an invalid QDate.
    [[nodiscard]] QDate date() const;
    [[nodiscard]] bool hasValidDate() const { return date().isValid(); }
    void setDate(const QDate& date);

    // "dd/MM/yyyy", "MM/dd/yyyy" or "yyyy/MM/dd", following the regional order.
    [[nodiscard]] static QString maskFormat(const QLocale& locale = QLocale());

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_allowDash = false;
};

// Whether the two boxes hold a valid range, "Desde" not after "Hasta"; when not, the user is told
// which box to correct and that box gets the focus.
[[nodiscard]] bool acceptDateRange(QWidget* owner, DateBox* desde, DateBox* hasta);
