// "Port Based Priority": the queue level of every port.
#pragma once

#include "QosLevels.h"

class TModuleQosPort final : public TQosLevelPage {
    Q_OBJECT
public:
    explicit TModuleQosPort(QWidget* parent);
};
