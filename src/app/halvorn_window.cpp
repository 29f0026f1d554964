#include "app/halvorn_window.h"

#include "app/account_connection.h"
#include "app/host_info_window.h"
#include "app/settings.h"
#include "platform/qt/colors.h"
#include "platform/qt/fonts.h"
#include "platform/qt/gui_text.h"
#include "platform/qt/guarded_slot.h"
#include "platform/qt/label.h"
#include "platform/qt/memo.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/panel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

THalvorn* Halvorn = nullptr;
int CurrentHost = 0;

namespace {

const QString kTotalCaption = u"総件数："_s;
const QString kProgressCaption = u"現取得数："_s;
const QString kErrorCaption = u"取得Err数："_s;

// The account table and the name list live until the process ends; each
// creation of the main window starts them afresh.
std::unique_ptr<Thostdata> ownedHostData;
std::unique_ptr<Tinidata> ownedIniData;

template <typename Widget>
Widget* Make(QWidget* parent, const char* name)
{
    auto* widget = new Widget(parent);  // owned by parent
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QTimer* MakeTimer(QObject* parent, const char* name)
{
    auto* timer = new QTimer(parent);  // owned by parent
    timer->setObjectName(QLatin1String(name));
    return timer;
}

void SetUpMemo(QPlainTextEdit& memo)
{
    memo.setLineWrapMode(QPlainTextEdit::NoWrap);
    memo.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

// Sets a value for the life of a scope and puts the old one back after it.
template <typename T>
class ScopedValue {
public:
    ScopedValue(T& target, T value) : target_(target), saved_(target) { target_ = value; }
    ~ScopedValue() { target_ = saved_; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& target_;
    T saved_;
};

}  // namespace

THalvorn::THalvorn(std::optional<std::string> iniPath)
    : Label1(Make<TLabel>(this, "Label1")),
      messageGetMemo(Make<QPlainTextEdit>(this, "messageGetMemo")),
      conctDisconctBtn(Make<QPushButton>(this, "conctDisconctBtn")),
      mailGetBtn(Make<QPushButton>(this, "mailGetBtn")),
      messageDelChkBx(Make<QCheckBox>(this, "messageDelChkBx")),
      totalCntLbl(Make<TLabel>(this, "totalCntLbl")),
      messageGetCntLbl(Make<TLabel>(this, "messageGetCntLbl")),
      cnctStatusPanel(Make<TPanel>(this, "cnctStatusPanel")),
      hostCmbBx(Make<QComboBox>(this, "hostCmbBx")),
      hostInfBtn(Make<QPushButton>(this, "hostInfBtn")),
      hostUpdBtn(Make<QPushButton>(this, "hostUpdBtn")),
      messageGetErrCntLbl(Make<TLabel>(this, "messageGetErrCntLbl")),
      Memo1(Make<QPlainTextEdit>(this, "Memo1")),
      Timer1(MakeTimer(this, "Timer1")),
      iniPath_(std::move(iniPath))
{
    Halvorn = this;
    setObjectName(u"Halvorn"_s);
    PlaceControls();
    ConnectHandlers();
    RunGuarded([this] { FormCreate(this); });
}

THalvorn::~THalvorn()
{
    if (Halvorn == this)
        Halvorn = nullptr;
}

void THalvorn::PlaceControls()
{
    setWindowTitle(u"Halvorn"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    move(189, 167);
    resize(609, 446);
    setFont(ProportionalGothicFont(12));
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(face);

    const QFont counterFont = GothicFont(24);

    Label1->SetCaption(u"ホスト名"_s);
    Label1->Place({16, 16, 42, 12});

    hostCmbBx->setEditable(true);
    hostCmbBx->setInsertPolicy(QComboBox::NoInsert);
    hostCmbBx->setGeometry(64, 12, 105, 20);

    hostInfBtn->setText(u"ホスト情報"_s);
    hostInfBtn->setGeometry(192, 8, 75, 25);

    hostUpdBtn->setText(u"ホスト更新"_s);
    hostUpdBtn->setGeometry(280, 8, 75, 25);
    hostUpdBtn->setVisible(false);

    for (TLabel* counter : {totalCntLbl, messageGetCntLbl, messageGetErrCntLbl})
        counter->setFont(counterFont);
    totalCntLbl->SetCaption(kTotalCaption);
    totalCntLbl->Place({24, 48, 96, 24});
    messageGetCntLbl->SetCaption(kProgressCaption);
    messageGetCntLbl->Place({264, 48, 120, 24});

    SetUpMemo(*messageGetMemo);
    messageGetMemo->setGeometry(16, 80, 585, 169);

    messageGetErrCntLbl->SetCaption(kErrorCaption);
    messageGetErrCntLbl->Place({264, 264, 132, 24});

    SetUpMemo(*Memo1);
    Memo1->setGeometry(16, 296, 585, 73);

    cnctStatusPanel->SetColor(clGray);
    cnctStatusPanel->setGeometry(16, 384, 97, 57);

    conctDisconctBtn->setText(u"接続／切断"_s);
    conctDisconctBtn->setGeometry(160, 384, 89, 25);

    mailGetBtn->setText(u"取得"_s);
    mailGetBtn->setGeometry(264, 384, 89, 25);

    messageDelChkBx->setText(u"既読メッセージを削除"_s);
    messageDelChkBx->setChecked(true);
    messageDelChkBx->setGeometry(160, 424, 145, 17);

    QWidget::setTabOrder(messageGetMemo, conctDisconctBtn);
    QWidget::setTabOrder(conctDisconctBtn, mailGetBtn);
    QWidget::setTabOrder(mailGetBtn, messageDelChkBx);
    QWidget::setTabOrder(messageDelChkBx, hostCmbBx);
    QWidget::setTabOrder(hostCmbBx, hostInfBtn);
    QWidget::setTabOrder(hostInfBtn, hostUpdBtn);
    QWidget::setTabOrder(hostUpdBtn, Memo1);

    Timer1->setInterval(500);

    Pop3Client1.Port = 110;
    Pop3Client1.ReportLevel = 0;
    Pop3Client1.Parse = false;
    Pop3Client1.DeleteOnRead = false;
    ZtConv1.SetJisByteCodeType(btAscii);
    ZtConv1.SetJisKanaConvType(ktZenWithDaku);
}

void THalvorn::ConnectHandlers()
{
    connect(conctDisconctBtn, &QPushButton::clicked, this,
            Guarded([this] { conctDisconctBtnClick(conctDisconctBtn); }));
    connect(mailGetBtn, &QPushButton::clicked, this,
            Guarded([this] { mailGetBtnClick(mailGetBtn); }));
    connect(hostInfBtn, &QPushButton::clicked, this,
            Guarded([this] { hostInfBtnClick(hostInfBtn); }));
    connect(hostUpdBtn, &QPushButton::clicked, this,
            Guarded([this] { hostUpdBtnClick(hostUpdBtn); }));
    // Only the user's own changes count: a pick from the list, or typing.
    connect(hostCmbBx, &QComboBox::activated, this, Guarded([this] {
                hostTyped_ = false;
                hostCmbBxChange(hostCmbBx);
            }));
    connect(hostCmbBx->lineEdit(), &QLineEdit::textEdited, this, Guarded([this] {
                hostTyped_ = true;
                hostCmbBxChange(hostCmbBx);
            }));
    connect(Timer1, &QTimer::timeout, this, Guarded([this] { Timer1Timer(Timer1); }));

    // The component raises these from inside its own calls, which are made
    // from guarded handlers; their errors travel back through those calls.
    Pop3Client1.OnConnect = [this](TComponent* Sender) { Pop3Client1Connect(Sender); };
    Pop3Client1.OnDisconnect = [this](TComponent* Sender) { Pop3Client1Disconnect(Sender); };
    Pop3Client1.OnRetrieveEnd = [this](TComponent* Sender) { Pop3Client1RetrieveEnd(Sender); };
    Pop3Client1.OnDecodeStart = [this](std::string& FileName) { Pop3Client1DecodeStart(FileName); };
}

void THalvorn::FormCreate(QObject*)
{
    ownedHostData = std::make_unique<Thostdata>();
    HostData = ownedHostData.get();
    ownedIniData = std::make_unique<Tinidata>();
    IniData = ownedIniData.get();
    CurrentHost = 0;
    hostTyped_ = false;

    const bool found = iniPath_ ? LoadSettings(*iniPath_) : LoadSettings();
    if (!found) {
        ShowWarning(u"iniファイル not found ?"_s);
        return;
    }
    for (int n = 1; n <= IniData->hostCount; ++n)
        hostCmbBx->addItem(FromSjis(IniData->hostNames[static_cast<std::size_t>(n)]));
    const QSignalBlocker quiet(hostCmbBx);
    hostCmbBx->setCurrentIndex(CurrentHost);
}

int THalvorn::SelectedHostIndex() const
{
    return hostTyped_ ? -1 : hostCmbBx->currentIndex();
}

void THalvorn::hostCmbBxChange(QObject*)
{
    CurrentHost = SelectedHostIndex();
}

void THalvorn::conctDisconctBtnClick(QObject*)
{
    // A click while the component waits cancels that wait; the waiting call
    // then fails with its "Canceled"/"aborted" error.
    if (activity_ != Activity::Idle) {
        Pop3Client1.Abort();
        return;
    }
    if (Pop3Client1.Connected()) {
        const ScopedValue busy(activity_, Activity::Disconnecting);
        Pop3Client1.Disconnect();
        return;
    }
    if (CurrentHost < 0 || CurrentHost >= 5 || HostData == nullptr)
        return;  // typed text, no account chosen

    totalCntLbl->SetCaption(kTotalCaption);
    messageGetCntLbl->SetCaption(kProgressCaption);
    messageGetErrCntLbl->SetCaption(kErrorCaption);
    messageGetMemo->clear();
    Memo1->clear();

    const Thostrec& host = HostData->hosts[static_cast<std::size_t>(CurrentHost + 1)];
    ApplyAccount(host, Pop3Client1);
    Pop3Client1.DeleteOnRead = messageDelChkBx->isChecked();
    Timer1->start();

    const ScopedValue busy(activity_, Activity::Connecting);
    Pop3Client1.Connect();
}

void THalvorn::Pop3Client1Connect(TComponent*)
{
    Timer1->stop();
    cnctStatusPanel->SetCaption(u"接続中"_s);
    cnctStatusPanel->SetColor(clLime);
    if (Pop3Client1.MessageCount() < 1)
        ShowMessage(u"No messages waiting"_s);
    else
        totalCntLbl->SetCaption(kTotalCaption + QString::number(Pop3Client1.MessageCount()));
}

void THalvorn::Pop3Client1Disconnect(TComponent*)
{
    cnctStatusPanel->SetCaption(u"切断"_s);
    cnctStatusPanel->SetColor(clGray);
    Timer1->stop();
}

void THalvorn::Timer1Timer(QObject*)
{
    cnctStatusPanel->SetColor(cnctStatusPanel->Color() == clLime ? clGray : clLime);
}

void THalvorn::mailGetBtnClick(QObject*)
{
    // One thing at a time: a click while a connect or a run waits is ignored.
    if (activity_ != Activity::Idle)
        return;
    if (Pop3Client1.MessageCount() <= 0)
        return;
    const ScopedValue busy(activity_, Activity::Retrieving);

    ErrorCount = 0;
    const int count = Pop3Client1.MessageCount();
    for (int i = 1; i <= count; ++i) {
        messageGetCntLbl->SetCaption(kProgressCaption + QString::number(i - ErrorCount));
        try {
            Pop3Client1.RetrieveMessage(i);
        } catch (const Exception& error) {
            RecordError(error.Message());
        }
    }
}

void THalvorn::RecordError(const std::string& Message)
{
    ++ErrorCount;
    messageGetErrCntLbl->SetCaption(kErrorCaption + QString::number(ErrorCount));
    AddLine(*Memo1, FromSjis(Message));
}

void THalvorn::Pop3Client1RetrieveEnd(TComponent*)
{
    AddLine(*messageGetMemo, FromSjis(ZtConv1.DecodeHeader(Pop3Client1.MailMessage().Subject)));
}

void THalvorn::Pop3Client1DecodeStart(std::string&)
{
    // The part keeps the name it came with.
}

void THalvorn::hostInfBtnClick(QObject*)
{
    if (HostInfo == nullptr)
        return;
    setEnabled(false);
    HostInfo->show();
    HostInfo->raise();
    HostInfo->activateWindow();
}

void THalvorn::hostUpdBtnClick(QObject* Sender)
{
    hostInfBtnClick(Sender);
}

void THalvorn::closeEvent(QCloseEvent* event)
{
    // Closing ends the program: a wait under way is cancelled (no QUIT is
    // sent) so that its call returns and the event loop can end.
    if (activity_ != Activity::Idle)
        RunGuarded([this] { Pop3Client1.Abort(); });
    event->accept();
}
