#pragma once
// Line operations of the plain memos of the main window. As in the memos the
// windows were designed with, every added line ends with a line break, so a
// memo's lines are its text split at line breaks, without the empty rest
// after the last one.

#include <QString>
#include <QStringList>

class QPlainTextEdit;

// Appends text as a new last line and scrolls it into view. Line breaks
// inside text (CR LF, CR or LF) start further lines.
void AddLine(QPlainTextEdit& memo, const QString& text);
// The memo's lines; an empty memo has none.
QStringList MemoLines(const QPlainTextEdit& memo);
