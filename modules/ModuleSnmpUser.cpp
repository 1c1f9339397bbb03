#include "ModuleSnmpUser.h"

#include "IntpSnmp.h"
#include "MessageBoxes.h"
#include "PageFields.h"
#include "PageList.h"
#include "PageReads.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

enum { ColumnNumber, ColumnName, ColumnAuth, ColumnPrivacy };

// The agent runs SNMP V3 on the device (its version read and valid).
bool RunsV3(Intp::TDevice* device)
{
    const auto& agent = Intp::GetPropertySnmp(device);
    return agent.Valid && agent.Version == Intp::SnmpVersionV3;
}

QString EnabledText(bool on) { return on ? QStringLiteral("Enabled") : QStringLiteral("Disabled"); }

} // namespace

TModuleSnmpUser::TModuleSnmpUser(QWidget* parent) : TModulePage(QStringLiteral("SNMPv3 User"), parent)
{
    m_List = new TPageList({QString(), QStringLiteral("User Name"), QStringLiteral("Auth Password"),
                            QStringLiteral("Privacy Password")},
                           this);
    m_List->setObjectName("m_List");
    // Sort key -1 (the row number, the first column) rising at first.
    m_List->SetSortRule(TPageList::SortShared, ColumnNumber, 1);
    m_List->SetCompare([](const TPageRow& a, const TPageRow& b, int column) {
        return column == ColumnNumber ? CompareNumbers(a.Key, b.Key) : CompareText(a.Texts.value(column), b.Texts.value(column));
    });
    PageLayout()->addWidget(m_List, 1);
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    m_Controls.push_back(m_List);
    auto field = [&](const QString& caption, const char* name, bool password) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMaxLength(int(Intp::SnmpTextWidth));
        if (password)
            edit->setEchoMode(QLineEdit::Password);
        m_Controls.push_back(AddFormRow(form, caption, edit));
        m_Controls.push_back(edit);
        connect(edit, &QLineEdit::textChanged, this, &TModuleSnmpUser::EventOnFieldChange);
        return edit;
    };
    m_UserName = field(QStringLiteral("User &Name:"), "m_UserName", false);
    m_AuthPassword = field(QStringLiteral("A&uth Password:"), "m_AuthPassword", true);
    m_PrivPassword = field(QStringLiteral("&Privacy Password:"), "m_PrivPassword", true);
    AddAddDeleteButtons(PageLayout(), this, m_Add, m_Delete);

    // The agent version first, then (in V3) the users.
    AddChainStep(Intp::TPropertySnmp::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        return RunsV3(device) ? new Intp::TSessionSnmpUserGet : nullptr;
    });
    OnRead([](Intp::TDevice*, bool) -> Intp::TSession* { return new Intp::TSessionSnmpGet; });
    SetReloadCodes({Intp::TPropertySnmpUser::GetCommand});
    ReadsRecord<Intp::TPropertySnmp>();
    OnClear([this] { m_List->Clear(); });
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnReloaded([this](Intp::TDevice* device) {
        m_Usable = device && RunsV3(device);
        for (QWidget* w : m_Controls)
            w->setEnabled(m_Usable);
        EventOnFieldChange();
    });
    OnLeaving([this] { m_List->Clear(); });

    connect(m_List, &TPageList::RowSelected, this, [this](int row) {
        if (row < 0)
            return;
        m_UserName->setText(m_List->Text(row, ColumnName));
        m_AuthPassword->clear();
        m_PrivPassword->clear();
    });
    connect(m_Add, &QPushButton::clicked, this, &TModuleSnmpUser::EventOnAddClick);
    connect(m_Delete, &QPushButton::clicked, this, &TModuleSnmpUser::EventOnDeleteClick);
}

void TModuleSnmpUser::FillRows(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertySnmpUser(device);
    if (!RunsV3(device) || !record.Valid)
        return;
    std::vector<TPageRow> rows;
    for (const auto& user : record.Rows) {
        if (user.Name.empty())
            continue;
        TPageRow row;
        row.Key = int64_t(rows.size()) + 1;
        row.Texts = {QString::number(row.Key), QString::fromStdString(user.Name), EnabledText(user.Authentication),
                     EnabledText(user.Privacy)};
        rows.push_back(std::move(row));
    }
    m_List->Model()->Append(std::move(rows));
    m_List->Sort();
}

void TModuleSnmpUser::EventOnFieldChange()
{
    const bool on = m_Usable && !m_UserName->text().isEmpty();
    m_Add->setEnabled(on);
    m_Delete->setEnabled(on);
}

int TModuleSnmpUser::FindUser() const
{
    for (int row = m_List->RowCount() - 1; row >= 0; --row)
        if (m_List->Text(row, ColumnName) == m_UserName->text())
            return row;
    return -1;
}

void TModuleSnmpUser::EventOnAddClick()
{
    if (FindUser() >= 0) {
        ShowError(QStringLiteral("Entry already exists!"));
        return;
    }
    Send(true);
}

void TModuleSnmpUser::EventOnDeleteClick()
{
    const int row = FindUser();
    if (row < 0) {
        ShowError(QStringLiteral("Entry not found!"));
        return;
    }
    if (m_List->Text(row, ColumnAuth).startsWith(QLatin1Char('E')) && m_AuthPassword->text().isEmpty()) {
        ShowError(QStringLiteral("Auth Password needed!"));
        return;
    }
    if (m_List->Text(row, ColumnPrivacy).startsWith(QLatin1Char('E')) && m_PrivPassword->text().isEmpty()) {
        ShowError(QStringLiteral("Privacy Password needed!"));
        return;
    }
    Send(false);
}

void TModuleSnmpUser::Send(bool add)
{
    const std::string user = FixedFieldText(m_UserName->text(), Intp::SnmpTextWidth);
    const std::string auth = FixedFieldText(m_AuthPassword->text(), Intp::SnmpTextWidth);
    const std::string priv = FixedFieldText(m_PrivPassword->text(), Intp::SnmpTextWidth);
    StartOnCurrentDevices([&](Intp::TDevice*) {
        return add ? NewRequest<Intp::TSessionSnmpUserAdd>(user, auth, priv)
                   : NewRequest<Intp::TSessionSnmpUserDel>(user, auth, priv);
    });
}
