#include "ModuleQos.h"

#include "EditTable.h"
#include "IntpQos.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

TModuleQos::TModuleQos(QWidget* parent) : TModulePage(QStringLiteral("Traffic Prioritization"), parent)
{
    auto* policy = new QLabel(QStringLiteral("Qos Policy:"), this);
    m_Weighted = new QRadioButton(QStringLiteral("Use 8, 4, 2, 1 &weighted fair queuing scheme"), this);
    m_Weighted->setObjectName("m_Weighted");
    m_Strict = new QRadioButton(QStringLiteral("Use &strict priority scheme"), this);
    m_Strict->setObjectName("m_Strict");
    m_Weighted->setChecked(true);
    PageLayout()->addWidget(policy);
    PageLayout()->addWidget(m_Weighted);
    PageLayout()->addWidget(m_Strict);
    auto* form = new QFormLayout;
    m_Mode = NewChoice({QStringLiteral("Disable"), QStringLiteral("Port Based"), QStringLiteral("COS Only"),
                        QStringLiteral("TOS Only"), QStringLiteral("COS First"), QStringLiteral("TOS First")},
                       this);
    m_Mode->setObjectName("m_Mode");
    QLabel* modeLabel = AddFormRow(form, QStringLiteral("Priority &Type:"), m_Mode);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{policy, m_Weighted, m_Strict, m_Mode, modeLabel})
        AddDeviceControl(w);
    AddApplyButton();
    Reads<Intp::TSessionQosGet>();
    // The decoder lets only known codes through; the type goes back as read
    // all the same, and nothing is set from a record that is not valid (the
    // reload has chosen the defaults, and the read state keeps Apply off).
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyQos(device);
        (record.Valid && record.QueueScheme == 1 ? m_Strict : m_Weighted)->setChecked(true);
        if (record.Valid)
            m_Mode->SetValue(record.PriorityType);
    });
    OnWrite([this](Intp::TDevice*) {
        const uint8_t request[2] = {uint8_t(m_Strict->isChecked() ? 1 : 0), uint8_t(std::max<int64_t>(0, m_Mode->Value()))};
        return NewFilledSet<Intp::TSessionQosSet>(std::span<const uint8_t>(request));
    });
}

