#include "PaintThrottle.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

const char* const ThrottleName = "PaintThrottle";

class TPaintThrottle final : public QObject {
public:
    TPaintThrottle(QAbstractItemView* view, int intervalMs) : QObject(view), m_View(view), m_Viewport(view->viewport()), m_Interval(intervalMs)
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
        view->viewport()->installEventFilter(this);
    }

    // Goes with its view only: nothing to give back.
    ~TPaintThrottle() override = default;

    bool Held() const { return m_Held; }

protected:
    // Times each paint of the viewport (the view lays its rows out there
    // too), so that a view that is costly to paint is held longer.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || m_InPaint || !m_View || watched != m_Viewport)
            return false;
        m_InPaint = true;
        const qint64 start = m_Clock.nsecsElapsed();
        QCoreApplication::sendEvent(watched, event);
        m_PaintNs = m_Clock.nsecsElapsed() - start;
        m_InPaint = false;
        return true;
    }

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
        // During a burst painting takes about a sixteenth of the window
        // thread at most, however long one paint of the view takes (unless
        // that would hold it past a quarter second).
        const qint64 hold = PaintShare * m_PaintNs / 1000000;
        m_Release.start(int(std::clamp<qint64>(hold, m_Interval, std::max(m_Interval, MaxHoldMs))));
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
    static constexpr qint64 PaintShare = 16;
    static constexpr int MaxHoldMs = 250;   // never held longer than this
    QPointer<QWidget> m_View;
    QWidget* m_Viewport;
    int m_Interval;
    qint64 m_PaintNs = 0;   // how long the last paint took
    bool m_InPaint = false;
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
