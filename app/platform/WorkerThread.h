#pragma once

#include <QEventLoop>

#include <functional>

// Runs work on a thread of its own and returns once it has finished. Meanwhile this thread
// goes on processing its events (as QEventLoop::exec with flags does), so the windows repaint
// and a progress dialog fed from the work moves.
void runOffUiThread(const std::function<void()>& work,
                    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
