#include "platform/qt/memo.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

void AddLine(QPlainTextEdit& memo, const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    line.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    const QString existing = memo.toPlainText();
    if (!existing.isEmpty() && !existing.endsWith(QLatin1Char('\n')))
        line.prepend(QLatin1Char('\n'));
    line.append(QLatin1Char('\n'));

    QTextCursor cursor(memo.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line);

    memo.moveCursor(QTextCursor::End);
    memo.ensureCursorVisible();
    memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->maximum());
}

QStringList MemoLines(const QPlainTextEdit& memo)
{
    const QString text = memo.toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines;
}
