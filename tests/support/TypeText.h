#pragma once

#include <QString>

class QWidget;

// Types text into a widget one key event per character, carrying the character itself, so that
// accented letters ("Núñez") arrive as a user's keyboard would send them.
void typeText(QWidget* widget, const QString& text);
