#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

class QWidget;

// A named pipe that counts the times something opened it to read. A reader is never left
// waiting: a writer end is opened and closed at once, so the reader finds it empty and goes on.
// A screen that reads a file named in a text is caught here instead of freezing.
class FifoTrap
{
public:
    FifoTrap();
    ~FifoTrap();
    FifoTrap(const FifoTrap&) = delete;
    FifoTrap& operator=(const FifoTrap&) = delete;

    // Short, so that a picture naming it fits in a 50-character field.
    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] int openings() const { return m_openings; }
    // Text that rich text would show as a picture read from this pipe.
    [[nodiscard]] QString picture() const;

private:
    void watch();

    QTemporaryDir m_dir;
    QString m_path;
    bool m_valid = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_openings{0};
    std::thread m_watcher;
};

// A text of a given length at most, made of markup that rich text would turn into something
// else: bold type, an entity, and a picture read from the trap.
[[nodiscard]] QString markupText(const FifoTrap& trap, const QString& word, int maxLength);

// The labels under root that show markup as rich text ("name: text" each); empty when every
// label draws its text as it is.
[[nodiscard]] QStringList richLabels(const QWidget& root);
