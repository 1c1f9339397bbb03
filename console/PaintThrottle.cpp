#include "PaintThrottle.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

namespace {

const char* const ThrottleName = "PaintThrottle";

class TPaintThrottle final : public QObject {
public:
    TPaintThrottle(QAbstractItemView* view, int intervalMs) : QObject(view), m_View(view), m_Interval(intervalMs)
    {
        setObjectName(ThrottleName);
        m_Clock.start();
        m_Release.setSingleShot(true);
        connect(&m_Release, &QTimer::timeout, this, &TPaintThrottle::Release);
        QAbstractItemModel* model = view->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &TPaintThrottle::Changed);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TPaintThrottle::Changed);
        connect(model, &QAbstractItemModel::rowsMoved, this, &TPaintThrottle::Changed);
        connect(model, &QAbstractItemModel::dataChanged, this, &TPaintThrottle::Changed);
        connect(model, &QAbstractItemModel::layoutChanged, this, &TPaintThrottle::Changed);
    }

    // Goes with its view only: nothing to give back.
    ~TPaintThrottle() override = default;

    bool Held() const { return m_Held; }

private:
    void Changed()
    {
        const qint64 now = m_Clock.elapsed();
        const bool alone = m_Last < 0 || now - m_Last >= m_Interval;
        m_Last = now;
        if (m_Held || alone || !m_View)
            return;
        // Painting is held only where the view keeps it on, so that the
        // release does not turn on what someone else turned off.
        if (!m_View->updatesEnabled())
            return;
        m_Held = true;
        m_View->setUpdatesEnabled(false);
        m_Release.start(m_Interval);
    }

    // Turning painting on again repaints the whole view once.
    void Release()
    {
        if (!m_Held)
            return;
        m_Held = false;
        m_Release.stop();
        if (m_View)
            m_View->setUpdatesEnabled(true);
    }

    // Only its painting is touched (and a view being destroyed is a
    // QWidget no more than that while it takes its children with it).
    QPointer<QWidget> m_View;
    int m_Interval;
    QElapsedTimer m_Clock;
    qint64 m_Last = -1;   // when the model last changed, on m_Clock
    bool m_Held = false;
    QTimer m_Release;
};

TPaintThrottle* ThrottleOf(const QAbstractItemView* view)
{
    for (QObject* child : view->children())
        if (child->objectName() == ThrottleName)
            if (auto* throttle = dynamic_cast<TPaintThrottle*>(child))
                return throttle;
    return nullptr;
}

} // namespace

void ThrottlePaints(QAbstractItemView* view, int intervalMs)
{
    if (!view || !view->model() || ThrottleOf(view))
        return;
    new TPaintThrottle(view, intervalMs);
}

bool PaintsHeld(const QAbstractItemView* view)
{
    const TPaintThrottle* throttle = view ? ThrottleOf(view) : nullptr;
    return throttle && throttle->Held();
}
