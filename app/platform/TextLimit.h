#pragma once

class QPlainTextEdit;

// Keeps a multi-line box to at most maxLength characters, however the text arrives (typing,
// pasting, dropping): what goes past the limit is dropped from the end of the insertion.
void limitLength(QPlainTextEdit* edit, int maxLength);
