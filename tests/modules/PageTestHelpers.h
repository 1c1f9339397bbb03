// Shorthands for driving configuration pages in tests: one switch with the
// page current, children found by their object names, clicks, leaving a
// field, and waiting for a list to reload.
#pragma once

#include "PageFixture.h"
#include "PageList.h"

#include <QFocusEvent>
#include <QPushButton>
#include <QTest>

namespace TestSupport {

class PagesTest : public PageTest {
protected:
    // One switch of model 1, current and logged in, showing `P`.
    template <class P>
    P* Open()
    {
        StartSwitches(1);
        auto* page = AddPage(new P(Host()));
        Select({0});
        return page;
    }
    template <class W>
    static W* Child(QWidget* page, const char* name)
    {
        auto* w = page->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static bool Enabled(QWidget* page, const char* name) { return Child<QWidget>(page, name)->isEnabled(); }
    static void Press(QWidget* page, const char* button)
    {
        QTest::mouseClick(Child<QPushButton>(page, button), Qt::LeftButton);
    }
    static void Leave(QWidget* field)
    {
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(field, &out);
    }
    // Waits until the page's list `name` holds `rows` rows (after the Get
    // that follows a change reloaded it).
    bool WaitForRows(QWidget* page, const char* name, int rows)
    {
        auto* list = Child<TPageList>(page, name);
        return Pump([&] { return list->RowCount() == rows && page->isVisible(); });
    }
};

} // namespace TestSupport
