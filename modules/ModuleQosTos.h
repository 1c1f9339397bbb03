// "TOS Settings": the queue level of every DSCP value.
#pragma once

#include "QosLevels.h"

class TModuleQosTos final : public TQosLevelPage {
    Q_OBJECT
public:
    explicit TModuleQosTos(QWidget* parent);
};
