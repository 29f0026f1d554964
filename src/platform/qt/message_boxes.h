#pragma once
// The application's modal boxes: the default error display, the plain
// message box and the warning box. All are parentless, centred on the screen,
// with one OK button, and return when the user has closed them.

#include <QString>

#include <string>

// The program file's name without its extension: the title of the error
// display and of the plain message box.
QString ApplicationTitle();

// The error display's text for an exception message (Shift-JIS): a full stop
// is appended when the message is not empty and its last byte sorts after
// '.'.
std::string ErrorDisplayText(const std::string& message);

// The default error display: critical icon, application title, OK.
void ShowErrorDisplay(const std::string& message);
// Makes the error display the handler of every exception that leaves a
// guarded handler.
void InstallDefaultErrorDisplay();

// The plain message box: no icon, application title, OK.
void ShowMessage(const QString& text);
// The warning box: warning icon, title "警告", OK.
void ShowWarning(const QString& text);
