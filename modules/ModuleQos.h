// "Traffic Prioritization": the queue scheme and the priority type.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

class QComboBox;
class QLabel;
class QRadioButton;

class TModuleQos final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleQos(QWidget* parent);

    QRadioButton* Weighted() const { return m_Weighted; }
    QRadioButton* Strict() const { return m_Strict; }
    QComboBox* Mode() const { return m_Mode; }

private:
    QRadioButton* m_Weighted;
    QRadioButton* m_Strict;
    TChoice* m_Mode;
};
