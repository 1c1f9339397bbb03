// The console as a screen reader meets it: one walk over the real main
// window, every page of its page tree, every node of its tree and every
// dialog, asking the accessibility interface for the name of each control
// that takes the focus and of each list.
#include "FilterForm.h"
#include "MainForm.h"
#include "MainFormFixture.h"
#include "ModuleFrame.h"
#include "ScanForm.h"
#include "SyslogForm.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include <set>

using namespace TestSupport;

namespace {

QString NameOf(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name).trimmed() : QString();
}

// Where a widget sits: its class and object name, and its parents'.
std::string PathOf(const QWidget* widget)
{
    QStringList parts;
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const int index = w->parentWidget() ? int(w->parentWidget()->children().indexOf(const_cast<QWidget*>(w))) : 0;
        parts.prepend(QString("%1(%2)#%3").arg(w->metaObject()->className(), w->objectName()).arg(index));
        if (w->isWindow())
            break;
    }
    return parts.join('/').toStdString();
}

// A part of a composite control (the edit of a spin or combo box), which
// the control itself names.
bool IsInnerPart(const QWidget* widget)
{
    for (const QWidget* p = widget->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p))
            return true;
    return false;
}

// Every control under `root` that takes the focus, and every list, with no
// accessible name.
void CollectNameless(QWidget* root, std::set<std::string>& nameless)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (qobject_cast<QMenu*>(w->window()) || IsInnerPart(w))
            continue;
        if (qobject_cast<QHeaderView*>(w))
            continue;   // a list's own header, named by its captions
        const bool list = qobject_cast<QAbstractItemView*>(w) != nullptr;
        if (!list && !(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (NameOf(w).isEmpty())
            nameless.insert(PathOf(w));
    }
}

// The names of the lists under `root` that another list there shares.
QStringList SharedListNames(QWidget* root)
{
    QStringList names, shared;
    for (QAbstractItemView* list : root->findChildren<QAbstractItemView*>()) {
        if (qobject_cast<QHeaderView*>(list))
            continue;
        const QString name = NameOf(list);
        if (names.contains(name) && !shared.contains(name))
            shared << name;
        names << name;
    }
    return shared;
}

class Accessibility : public MainFormFixture {};

} // namespace

TEST_F(Accessibility, EveryControlAndListHasAName)
{
    TMainForm* f = Create(0, RecordSends);
    ASSERT_TRUE(Created);
    f->resize(1280, 1024);
    f->show();
    Intp::TDevice* device = Found(10);
    ASSERT_NE(device, nullptr);
    device->SetLoggedIn(true);
    Settle();

    std::set<std::string> nameless;
    // Every node of the main tree, and under the switch every page.
    for (QTreeWidgetItemIterator it(f->Tree()); *it; ++it) {
        f->Tree()->setCurrentItem(*it);
        Settle();
        CollectNameless(f, nameless);
    }
    f->Tree()->setCurrentItem(f->FindDeviceNode(device));
    Settle();
    QTreeWidget* pages = f->ModuleFrame()->PageTree();
    for (QTreeWidgetItemIterator it(pages); *it; ++it) {
        pages->setCurrentItem(*it);
        Settle();
        EXPECT_EQ(pages->currentItem(), *it) << (*it)->text(0).toStdString();
        // No switch answers here: the page fills from its defaults.
        TModuleFrame::PageOf(*it)->Notify(device, EventPageShown, 0);
        Settle();
        if (QWidget* page = TModuleFrame::PageOf(*it)->GetControl())
            EXPECT_EQ(SharedListNames(page), QStringList()) << (*it)->text(0).toStdString();
        CollectNameless(f, nameless);
    }
    // The dialogs, and the syslog viewer.
    const std::vector<QWidget*> dialogs = {f->LoginForm(), f->FilterForm(), f->ScanForm(), f->AboutForm()};
    for (QWidget* dialog : dialogs)
        CollectNameless(dialog, nameless);
    TSyslogForm viewer(f, {});
    CollectNameless(&viewer, nameless);

    std::string report;
    for (const std::string& path : nameless)
        report += path + "\n";
    EXPECT_TRUE(nameless.empty()) << nameless.size() << " without a name:\n" << report;
}
