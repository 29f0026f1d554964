#include "platform/qt/modal_box_closer.h"

#include "platform/guard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

TModalBoxCloser::TModalBoxCloser(Observer observer, QObject* parent)
    : QObject(parent), observer_(std::move(observer))
{
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, [this]() noexcept { RunGuarded([this] { Look(); }); });
    timer_.start();
}

void TModalBoxCloser::Look()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible())
        return;
    if (observer_)
        observer_(*box);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}
