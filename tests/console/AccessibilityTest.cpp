// The console as a screen reader meets it: one walk over the real main
// window, every page of its page tree, every node of its tree and every
// dialog, asking the accessibility interface for the name of each control
// that takes the focus and of each list, and for what each label reads.
#include "FilterForm.h"
#include "MainForm.h"
#include "ModuleBannerBrivo6042G.h"
#include "ModuleDeviceList.h"
#include "MainFormFixture.h"
#include "ModuleFrame.h"
#include "ModulePage.h"
#include "PageList.h"
#include "ScanForm.h"
#include "SyslogForm.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextDocument>
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

// The text a label shows: rich text as plain text, and without its
// mnemonic marks when it has a buddy ("&Num:" shows "Num:").
QString ShownText(const QLabel* label)
{
    QString text = label->text();
    if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    if (label->buddy()) {
        QString plain;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('&') && i + 1 < text.size())
                ++i;
            plain += text[i];
        }
        text = plain;
    }
    return text.trimmed();
}

// Every label under `root` that a screen reader hears as anything but the
// text it shows (a value label read as its caption, say), and every label
// buddy that its caption does not reach through the label relation.
void CollectMisheard(QWidget* root, std::set<std::string>& misheard)
{
    QList<QLabel*> labels = root->findChildren<QLabel*>();
    if (auto* label = qobject_cast<QLabel*>(root))
        labels.prepend(label);
    for (QLabel* label : labels) {
        if (qobject_cast<QMenu*>(label->window()) || IsInnerPart(label))
            continue;
        if (label->text().isEmpty() && !label->pixmap().isNull())
            continue;   // an image, named for what it shows
        // A label that shows nothing yet is heard as its caption or its
        // box's title (the accessibility layer's fallback); it must keep no
        // fixed name, so that the text it will show is heard instead.
        if (ShownText(label).isEmpty() ? !label->accessibleName().isEmpty() : NameOf(label) != ShownText(label))
            misheard.insert(PathOf(label) + " reads \"" + NameOf(label).toStdString() + "\", shows \"" +
                            ShownText(label).toStdString() + "\"");
        auto* value = qobject_cast<QLabel*>(label->buddy());
        if (!value)
            continue;
        bool reached = false;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(value);
        for (const auto& [other, relation] : iface->relations(QAccessible::Label))
            reached = reached || other->object() == label;
        if (!reached)
            misheard.insert(PathOf(value) + " is not labelled by its caption");
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

class Accessibility : public MainFormFixture {
protected:
    // The main window at 1280 x 1024 with one switch found; null when either
    // did not come.
    TMainForm* ShowWithSwitch(Intp::TDevice*& device)
    {
        TMainForm* f = Create(0, RecordSends);
        if (!Created)
            return nullptr;
        f->resize(1280, 1024);
        f->show();
        device = Found(10);
        return device ? f : nullptr;
    }
    // Answers every request sent from the `from`th on with a refusal.
    void RefuseRequests(size_t from, Intp::TDevice* device)
    {
        const std::vector<uint8_t> body(Intp::MaxBodyLength, 0);   // as long as any reply can be
        for (size_t i = from; i < Sends.size(); ++i) {
            const uint16_t command = Sends[i].Command();
            const uint32_t ip = Sends[i].Ip;
            if (command == 0)
                continue;   // discovery
            const std::vector<uint8_t> reply = MakeReply(command, Intp::StatusRefused, device->GetMac(), body);
            Intp::ReceivePacket(ip, reply.size(), reply.data());
        }
    }
};

} // namespace

TEST_F(Accessibility, EveryControlHasANameAndEveryLabelIsHeardAsShown)
{
    Intp::TDevice* device = nullptr;
    TMainForm* f = ShowWithSwitch(device);
    ASSERT_NE(f, nullptr);
    device->SetLoggedIn(true);
    Settle();

    std::set<std::string> nameless, misheard;
    auto collect = [&](QWidget* root) {
        CollectNameless(root, nameless);
        CollectMisheard(root, misheard);
    };
    // Every node of the main tree, and under the switch every page.
    std::vector<TTreeNode*> nodes{f->RootNode()};
    for (size_t i = 0; i < nodes.size(); ++i)
        for (int c = 0; c < nodes[i]->ChildCount(); ++c)
            nodes.insert(nodes.begin() + std::ptrdiff_t(i) + 1 + c, nodes[i]->Child(c));
    for (TTreeNode* node : nodes) {
        f->SetCurrentNode(node);
        Settle();
        collect(f);
    }
    f->SetCurrentNode(f->FindDeviceNode(device));
    Settle();
    QTreeWidget* pages = f->ModuleFrame()->PageTree();
    int failedLines = 0;
    for (QTreeWidgetItemIterator it(pages); *it; ++it) {
        const std::string caption = (*it)->text(0).toStdString();
        const size_t sent = Sends.size();
        pages->setCurrentItem(*it);
        Settle();
        EXPECT_EQ(pages->currentItem(), *it) << caption;
        // The switch refuses every read the page starts: the page fills from
        // its defaults and says why.
        RefuseRequests(sent, device);
        TModule* module = TModuleFrame::PageOf(*it);
        static_cast<void>(
            QTest::qWaitFor([&] { return module->GetControl() && module->GetControl()->isVisible(); }, 2000));
        module->Notify(device, EventPageShown, 0);
        Settle();
        device->SetLoggedIn(true);   // a refusal logs the device out
        if (QWidget* page = module->GetControl()) {
            EXPECT_EQ(SharedListNames(page), QStringList()) << caption;
        }
        if (auto* page = dynamic_cast<TModulePage*>(module); page && page->ReadFailure(device) != 0) {
            ++failedLines;
            QLabel* line = page->ReadStateLabel();
            EXPECT_TRUE(line->isVisible()) << caption;
            EXPECT_EQ(page->ReadFailure(device), uint32_t(Intp::StatusRefused)) << caption;
            EXPECT_TRUE(NameOf(line).contains("refused (status 3)")) << caption << ": " << NameOf(line).toStdString();
        }
        collect(f);
    }
    EXPECT_GE(failedLines, 40);   // the pages that read a record
    // The dialogs, and the syslog viewer.
    const std::vector<QWidget*> dialogs = {f->LoginForm(), f->FilterForm(), f->ScanForm(), f->AboutForm()};
    for (QWidget* dialog : dialogs)
        collect(dialog);
    TSyslogForm viewer(f, {});
    collect(&viewer);

    std::string report;
    for (const std::string& path : nameless)
        report += path + "\n";
    EXPECT_TRUE(nameless.empty()) << nameless.size() << " without a name:\n" << report;
    report.clear();
    for (const std::string& line : misheard)
        report += line + "\n";
    EXPECT_TRUE(misheard.empty()) << misheard.size() << " labels not heard as shown:\n" << report;
}

TEST_F(Accessibility, StateShownByImagesAndColoursIsToldInWordsToo)
{
    Intp::TDevice* device = nullptr;
    TMainForm* f = ShowWithSwitch(device);
    ASSERT_NE(f, nullptr);
    TTreeNode* node = f->FindDeviceNode(device);
    ASSERT_NE(node, nullptr);

    // The device tree: the node's description says what its image shows.
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(f->Tree());
    ASSERT_NE(tree, nullptr);
    auto description = [&] {
        for (int i = 0; i < tree->childCount(); ++i) {
            QAccessibleInterface* cell = tree->child(i);
            if (cell && cell->text(QAccessible::Name) == node->Text())
                return cell->text(QAccessible::Description);
        }
        return QStringLiteral("(no cell)");
    };
    EXPECT_EQ(description(), "");
    device->SetLoggedIn(true);
    EXPECT_EQ(description(), "logged in");
    device->SetFlags(Intp::DeviceFlagLoggedIn | Intp::DeviceFlagWarning);
    EXPECT_EQ(description(), "logged in, warning");

    // The banner: each light says its state, the port picture its links,
    // and the redundancy buttons are radio buttons.
    f->SetCurrentNode(node);
    Settle();
    auto* banner = f->findChild<TModuleBannerBrivo6042G*>();
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(NameOf(banner->OnlineLight()), "Online/Offline: online");
    EXPECT_EQ(NameOf(banner->FaultLight()), "Device Fault: not known");
    banner->OnlineLight()->SetColor(TModuleBannerBrivo6042G::Red);
    EXPECT_EQ(NameOf(banner->OnlineLight()), "Online/Offline: offline");
    banner->LinkImage()->SetLed(0, TModuleBannerBrivo6042G::BrightGreen);
    banner->LinkImage()->SetLed(1, TModuleBannerBrivo6042G::Black);
    QAccessibleInterface* links = QAccessible::queryAccessibleInterface(banner->LinkImage());
    EXPECT_EQ(links->text(QAccessible::Name), "Port links");
    EXPECT_TRUE(links->text(QAccessible::Description).startsWith("1 link up, 2 no link, 3 not known"))
        << links->text(QAccessible::Description).toStdString();
    for (QWidget* radio : {static_cast<QWidget*>(banner->RingButton()), static_cast<QWidget*>(banner->RstpButton())})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(radio)->role(), QAccessible::RadioButton);

    // A run row: its image's meaning is the first cell's description.
    QTreeWidget* pages = f->ModuleFrame()->PageTree();
    const QList<QTreeWidgetItem*> save = pages->findItems("Save To Flash", Qt::MatchExactly);
    ASSERT_EQ(save.size(), 1);
    pages->setCurrentItem(save[0]);
    auto* page = dynamic_cast<TModuleDeviceList*>(TModuleFrame::PageOf(save[0]));
    ASSERT_NE(page, nullptr);
    page->Notify(device, EventPageShown, 0);
    ASSERT_EQ(page->RowCount(), 1);
    page->findChild<QPushButton*>("m_Save")->click();
    const QModelIndex first = page->List()->Model()->index(0, 0);
    EXPECT_EQ(page->StatusText(0), "Sending request");
    EXPECT_EQ(first.data(Qt::AccessibleDescriptionRole).toString(), "running");
}
