#pragma once
// The main window: account choice, connect/disconnect with the blinking
// status panel, the retrieval run and its counters and lists.

#include "jconv/zt_conv.h"
#include "pop3/pop3_client.h"

#include <QWidget>

#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TLabel;
class TPanel;

class THalvorn final : public QWidget {
    Q_OBJECT
public:
    // iniPath: the settings file to read instead of tovik.ini beside the
    // program (for tests). The creation handler runs in here; its errors go
    // to the error display and the window is created all the same.
    explicit THalvorn(std::optional<std::string> iniPath = std::nullopt);
    ~THalvorn() override;
    THalvorn(const THalvorn&) = delete;
    THalvorn& operator=(const THalvorn&) = delete;

    // --- controls and components, in the form's order ---------------------
    TLabel* const Label1;
    QPlainTextEdit* const messageGetMemo;
    QPushButton* const conctDisconctBtn;
    QPushButton* const mailGetBtn;
    QCheckBox* const messageDelChkBx;
    TPop3Client Pop3Client1;
    TLabel* const totalCntLbl;
    TLabel* const messageGetCntLbl;
    TZtConv ZtConv1;
    TPanel* const cnctStatusPanel;
    QComboBox* const hostCmbBx;
    QPushButton* const hostInfBtn;
    QPushButton* const hostUpdBtn;
    TLabel* const messageGetErrCntLbl;
    QPlainTextEdit* const Memo1;
    QTimer* const Timer1;

    // --- handlers -----------------------------------------------------------
    void conctDisconctBtnClick(QObject* Sender);
    void Pop3Client1Connect(TComponent* Sender);
    void mailGetBtnClick(QObject* Sender);
    void Pop3Client1RetrieveEnd(TComponent* Sender);
    void Pop3Client1DecodeStart(std::string& FileName);
    void Pop3Client1Disconnect(TComponent* Sender);
    void hostInfBtnClick(QObject* Sender);
    void FormCreate(QObject* Sender);
    void hostUpdBtnClick(QObject* Sender);
    void hostCmbBxChange(QObject* Sender);
    void Timer1Timer(QObject* Sender);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What the window has started on Pop3Client1 and is waiting for. Clicks
    // that arrive meanwhile (the socket keeps the event loop running) are
    // judged by it.
    enum class Activity { Idle, Connecting, Disconnecting, Retrieving };

    int ErrorCount = 0;
    Activity activity_ = Activity::Idle;
    // The user has typed into the combo box since the last pick: no entry
    // is selected.
    bool hostTyped_ = false;
    std::optional<std::string> iniPath_;

    void RecordError(const std::string& Message);
    int SelectedHostIndex() const;
    void PlaceControls();
    void ConnectHandlers();
};

// The main window, and the zero-based index of the chosen account (the
// record HostData->hosts[CurrentHost + 1]; -1 when none is selected).
extern THalvorn* Halvorn;
extern int CurrentHost;
