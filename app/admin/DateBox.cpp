#include "DateBox.h"

#include "MessageBox.h"
#include "SelectAllOnFocus.h"

#include <QKeyEvent>
#include <QLocale>

#include <algorithm>
#include <array>

namespace {
// The order of day, month and year in the regional short date, as "dMy", "Mdy" or "yMd".
QString fieldOrder(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    std::array<std::pair<qsizetype, QChar>, 3> positions = {
        std::pair{format.indexOf(QLatin1Char('d')), QLatin1Char('d')},
        std::pair{format.indexOf(QLatin1Char('M')), QLatin1Char('M')},
        std::pair{format.indexOf(QLatin1Char('y')), QLatin1Char('y')}};
    if (std::any_of(positions.cbegin(), positions.cend(),
                    [](const auto& position) { return position.first < 0; }))
        return QStringLiteral("dMy");
    std::sort(positions.begin(), positions.end());
    QString order;
    for (const auto& position : positions)
        order += position.second;
    return order;
}

QString joinedFormat(const QString& order, bool padded)
{
    QStringList parts;
    for (const QChar field : order) {
        if (field == QLatin1Char('y'))
            parts << QStringLiteral("yyyy");
        else
            parts << (padded ? QString(2, field) : QString(field));
    }
    return parts.join(QLatin1Char('/'));
}
} // namespace

DateBox::DateBox(bool allowDash, QWidget* parent)
    : QLineEdit(parent)
    , m_allowDash(allowDash)
{
    // "9" takes a digit or a blank, like "#".
    const QString order = fieldOrder(QLocale());
    setInputMask(order.startsWith(QLatin1Char('y')) ? QStringLiteral("9999/99/99")
                                                    : QStringLiteral("99/99/9999"));
    setMaxLength(10);
    SelectAllOnFocus::install(this);
}

QString DateBox::maskFormat(const QLocale& locale)
{
    return joinedFormat(fieldOrder(locale), true);
}

QDate DateBox::date() const
{
    QString text = this->text();
    text.remove(QLatin1Char(' '));
    text.replace(QLatin1Char('-'), QLatin1Char('/'));
    // Day and month may be typed with one digit ("1/2/2024").
    return QDate::fromString(text, joinedFormat(fieldOrder(QLocale()), false));
}

void DateBox::setDate(const QDate& date)
{
    setText(date.toString(maskFormat()));
}

void DateBox::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool typesCharacter = !text.isEmpty() && text.at(0).isPrint() &&
                                !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typesCharacter) {
        const QChar c = text.at(0);
        const bool passes =
            c.isDigit() || c == QLatin1Char('/') || (m_allowDash && c == QLatin1Char('-'));
        if (!passes || text.size() > 1) {
            event->accept();
            return;
        }
        if (c == QLatin1Char('-')) {
            // The mask's separator is "/": a dash moves on like one.
            QKeyEvent slash(event->type(), Qt::Key_Slash, event->modifiers(), QStringLiteral("/"));
            QLineEdit::keyPressEvent(&slash);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

bool acceptDateRange(QWidget* owner, DateBox* desde, DateBox* hasta)
{
    DateBox* wrong = nullptr;
    QString text;
    if (!desde->hasValidDate()) {
        wrong = desde;
        text = QStringLiteral("Corrija la 1er. fecha");
    } else if (!hasta->hasValidDate()) {
        wrong = hasta;
        text = QStringLiteral("Corrija la 2da. fecha");
    } else if (hasta->date() < desde->date()) {
        wrong = hasta;
        text = QStringLiteral("La 2da. fecha no puede ser anterior a la 1ra.");
    }
    if (!wrong)
        return true;
    MessageBox::show(owner, text);
    wrong->setFocus();
    return false;
}
