#pragma once

#include <QString>

#include <functional>

class QWidget;

// Long work on a list (its export, its print) on a thread of its own behind a modal progress
// dialog with "Cancelar", so the windows keep repainting. work receives the function through
// which it reports its rows done and in all (callable from its thread); "Cancelar" calls stop,
// also on this thread, and the work ends at its next safe point. Returns once the work ended.
using ListProgressReport = std::function<void(int done, int total)>;
void runWithListProgress(QWidget* parent, const QString& label,
                         const std::function<void(const ListProgressReport& report)>& work,
                         const std::function<void()>& stop);
