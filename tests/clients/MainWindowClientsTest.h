#pragma once

#include <QObject>

// The client editor in Modo 1 and the search by number, opened from the real main window.
class MainWindowClientsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void callerEditorFollowsTheMainWindow();
    void searchTakesTheNumberAsACall();
    void markupInAClientShowsAsText();
};
