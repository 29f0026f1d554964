#pragma once
// Answers the application's modal message boxes without a user: whenever a
// message box is the active modal widget, the observer sees it and its OK
// button is pressed. Used by unattended runs and by the GUI tests.

#include <QObject>
#include <QTimer>

#include <functional>

class QMessageBox;

class TModalBoxCloser final : public QObject {
    Q_OBJECT
public:
    using Observer = std::function<void(const QMessageBox&)>;

    explicit TModalBoxCloser(Observer observer = {}, QObject* parent = nullptr);

private:
    Observer observer_;
    QTimer timer_;

    void Look();
};
