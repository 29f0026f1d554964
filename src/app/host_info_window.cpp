#include "app/host_info_window.h"

#include "app/halvorn_window.h"
#include "app/settings.h"
#include "platform/qt/colors.h"
#include "platform/qt/fonts.h"
#include "platform/qt/gui_text.h"
#include "platform/qt/guarded_slot.h"
#include "platform/qt/label.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

using namespace Qt::Literals::StringLiterals;

THostInfo* HostInfo = nullptr;

namespace {

template <typename Widget>
Widget* Make(QWidget* parent, const char* name)
{
    auto* widget = new Widget(parent);  // owned by parent
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Read-only, on silver. The colour goes into the style sheet as well, which
// the password field needs for its mask character and which would otherwise
// paint over the palette.
void SetUpField(QLineEdit& field, const QRect& geometry, const QString& extraStyle = {})
{
    field.setReadOnly(true);
    const QColor silver = ToQColor(clSilver);
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, silver);
    field.setPalette(palette);
    field.setStyleSheet(u"QLineEdit { background-color: %1; %2 }"_s.arg(silver.name(), extraStyle));
    field.setGeometry(geometry);
}

// The client area as designed; the security caption starts right of the fields.
constexpr int kClientWidth = 216;
constexpr int kClientHeight = 171;
constexpr int kSecurityLeft = 214;

QString SecurityCaption(const Thostrec& host)
{
    QString caption;
    switch (host.security) {
    case TAccountSecurity::None:
        return caption;  // no "ssl" key: the window stays as it always was
    case TAccountSecurity::Pop3s:
        caption = u"POP3S"_s;
        break;
    case TAccountSecurity::StartTls:
        caption = u"STARTTLS"_s;
        break;
    case TAccountSecurity::Unknown:
        return u"ssl=%1 ?"_s.arg(FromSjis(host.securityText));
    }
    if (!host.verify)
        caption += u" (証明書検証なし)"_s;
    return caption;
}

}  // namespace

THostInfo::THostInfo()
    : Label2(Make<TLabel>(this, "Label2")),
      Label3(Make<TLabel>(this, "Label3")),
      passwdEdt(Make<QLineEdit>(this, "passwdEdt")),
      userIdEdt(Make<QLineEdit>(this, "userIdEdt")),
      popServerEdt(Make<QLineEdit>(this, "popServerEdt")),
      Label1(Make<TLabel>(this, "Label1")),
      hostNameEdt(Make<QLineEdit>(this, "hostNameEdt")),
      Label4(Make<TLabel>(this, "Label4")),
      okBtn(Make<QPushButton>(this, "okBtn")),
      securityLbl(Make<TLabel>(this, "securityLbl"))
{
    HostInfo = this;
    setObjectName(u"HostInfo"_s);
    // A secondary window: it never keeps the program alive on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    PlaceControls();
    connect(okBtn, &QPushButton::clicked, this, Guarded([this] { okBtnClick(okBtn); }));
    RunGuarded([this] { FormCreate(this); });
}

THostInfo::~THostInfo()
{
    if (HostInfo == this)
        HostInfo = nullptr;
}

void THostInfo::PlaceControls()
{
    setWindowTitle(u"HostInfo"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(kClientWidth, kClientHeight);
    setFont(ProportionalGothicFont(12));
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(face);

    Label4->SetCaption(u"サーバー名称"_s);
    Label4->Place({8, 15, 72, 12});
    SetUpField(*hostNameEdt, {88, 11, 121, 20});
    Label1->SetCaption(u"POP サーバー"_s);
    Label1->Place({8, 47, 74, 12});
    SetUpField(*popServerEdt, {88, 43, 121, 20});
    Label2->SetCaption(u"ユーザー ID"_s);
    Label2->Place({8, 79, 63, 12});
    SetUpField(*userIdEdt, {88, 75, 121, 20});
    Label3->SetCaption(u"パスワード"_s);
    Label3->Place({8, 111, 54, 12});
    // The style's own mask character varies; the window shows '*'.
    SetUpField(*passwdEdt, {88, 107, 121, 20}, u"lineedit-password-character: 42;"_s);
    passwdEdt->setEchoMode(QLineEdit::Password);

    okBtn->setText(u"OK"_s);
    okBtn->setGeometry(75, 144, 73, 25);

    QWidget::setTabOrder(passwdEdt, userIdEdt);
    QWidget::setTabOrder(userIdEdt, popServerEdt);
    QWidget::setTabOrder(popServerEdt, hostNameEdt);
    QWidget::setTabOrder(hostNameEdt, okBtn);
}

void THostInfo::FillFields()
{
    // No account chosen (typed text in the combo box): nothing to show.
    if (HostData == nullptr || CurrentHost < 0 || CurrentHost >= 5) {
        for (QLineEdit* field : {hostNameEdt, popServerEdt, userIdEdt, passwdEdt})
            field->clear();
        ShowSecurity(Thostrec{});
        return;
    }
    const Thostrec& host = HostData->hosts[static_cast<std::size_t>(CurrentHost + 1)];
    hostNameEdt->setText(FromSjis(host.hostName));
    popServerEdt->setText(FromSjis(host.popServer));
    userIdEdt->setText(FromSjis(host.userId));
    passwdEdt->setText(FromSjis(host.password));
    ShowSecurity(host);
}

void THostInfo::ShowSecurity(const Thostrec& host)
{
    const QString caption = SecurityCaption(host);
    if (caption.isEmpty()) {
        securityLbl->hide();
        resize(kClientWidth, kClientHeight);
        return;
    }
    securityLbl->SetCaption(caption);
    securityLbl->Place({kSecurityLeft, 47, 0, 12});
    securityLbl->show();
    resize(kSecurityLeft + securityLbl->width() + 8, kClientHeight);
}

void THostInfo::FormCreate(QObject*)
{
    FillFields();
}

void THostInfo::FormShow(QObject*)
{
    FillFields();
}

void THostInfo::okBtnClick(QObject*)
{
    close();
}

void THostInfo::FormClose(QObject*)
{
    if (Halvorn != nullptr)
        Halvorn->setEnabled(true);
}

void THostInfo::showEvent(QShowEvent* event)
{
    // Restoring from the task bar is no new showing.
    if (!event->spontaneous()) {
        if (!placed_) {
            placed_ = true;
            if (const QScreen* screen = this->screen())
                move(screen->availableGeometry().center() - rect().center());
        }
        RunGuarded([this] { FormShow(this); });
    }
    QWidget::showEvent(event);
}

void THostInfo::closeEvent(QCloseEvent* event)
{
    RunGuarded([this] { FormClose(this); });
    event->accept();
}
