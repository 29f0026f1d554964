#pragma once
// The read-only account information window. Showing it disables the main
// window; closing it in any way (OK, the close box, the system menu or its
// shortcut) enables the main window again and only hides this one.

#include <QWidget>

class QLineEdit;
class QPushButton;
class TLabel;
struct Thostrec;

class THostInfo final : public QWidget {
    Q_OBJECT
public:
    // Created hidden; fills its fields for the account chosen at this time.
    THostInfo();
    ~THostInfo() override;
    THostInfo(const THostInfo&) = delete;
    THostInfo& operator=(const THostInfo&) = delete;

    // --- controls, in the form's order -------------------------------------
    TLabel* const Label2;
    TLabel* const Label3;
    QLineEdit* const passwdEdt;
    QLineEdit* const userIdEdt;
    QLineEdit* const popServerEdt;
    TLabel* const Label1;
    QLineEdit* const hostNameEdt;
    TLabel* const Label4;
    QPushButton* const okBtn;
    // Beside the server: how the account's connection is protected. Shown
    // (and the window widened for it) only for accounts that set "ssl".
    TLabel* const securityLbl;

    // --- handlers -------------------------------------------------------------
    void FormClose(QObject* Sender);
    void FormCreate(QObject* Sender);
    void okBtnClick(QObject* Sender);
    void FormShow(QObject* Sender);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool placed_ = false;  // centred on the screen at the first showing only

    void PlaceControls();
    void FillFields();
    void ShowSecurity(const Thostrec& host);
};

extern THostInfo* HostInfo;
