#include "platform/qt/message_boxes.h"

#include "platform/guard.h"
#include "platform/qt/gui_text.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace {

void ShowBox(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    // Error texts carry server replies: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace

QString ApplicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

std::string ErrorDisplayText(const std::string& message)
{
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void ShowErrorDisplay(const std::string& message)
{
    ShowBox(QMessageBox::Critical, ApplicationTitle(), FromSjis(ErrorDisplayText(message)));
}

void InstallDefaultErrorDisplay()
{
    SetUnhandledExceptionHandler(
        [](std::exception_ptr error) { ShowErrorDisplay(ExceptionMessage(error)); });
}

void ShowMessage(const QString& text)
{
    ShowBox(QMessageBox::NoIcon, ApplicationTitle(), text);
}

void ShowWarning(const QString& text)
{
    ShowBox(QMessageBox::Warning, u"警告"_s, text);
}
