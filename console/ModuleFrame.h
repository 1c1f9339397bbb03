// The page host: the "Devices" frame with its tree of configuration pages,
// the banner above them and the wait label behind them.
#pragma once

#include "Module.h"

#include <QFrame>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QLabel;
class QSplitter;
class QTreeWidget;
class TBannerScroll;
class QTreeWidgetItem;

namespace Intp {
class TDevice;
}

// A category node: a caption and nothing else.
class TModuleDummy final : public TModule {
public:
    explicit TModuleDummy(QString caption) : m_Caption(std::move(caption)) {}
    QString GetCaption() const override { return m_Caption; }
    QWidget* GetControl() override { return nullptr; }
    void Notify(Intp::TDevice*, uint16_t, uint16_t) override {}
    bool Leave(bool) override { return true; }
    int Refresh(bool) override { return 0; }

private:
    QString m_Caption;
};

class TModuleFrame final : public QFrame, public TModule {
    Q_OBJECT
public:
    explicit TModuleFrame(QWidget* parent = nullptr);
    ~TModuleFrame() override;

    // Files a page under `parent` (top level when null) and places its
    // control in the page panel, hidden. Null for a null page.
    QTreeWidgetItem* AddPage(QTreeWidgetItem* parent, TModule* page);
    // A category node (a caption-only page owned by the host).
    QTreeWidgetItem* AddCategory(QTreeWidgetItem* parent, const QString& caption);
    // Registers the banner page of a switch model; key 0 is the default
    // banner. Refuses a null page and a second default; an earlier page
    // under the same key is kept.
    bool RegisterBanner(int model, TModule* page);

    TModule* GetCurrentPage() const;
    void NotifyCurrentPage(Intp::TDevice* device, uint16_t code, uint16_t status);

    // TModule
    QString GetCaption() const override { return QStringLiteral("Devices"); }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool shown) override;

    QTreeWidget* PageTree() const { return m_PageTree; }
    QLabel* WaitLabel() const { return m_WaitLabel; }
    QSplitter* Splitter() const { return m_Splitter; }
    QWidget* LinkPanel() const { return m_LinkPanel; }
    TModule* CurrentBanner() const { return m_CurrentBanner; }
    static TModule* PageOf(const QTreeWidgetItem* item);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void EventOnPageTreeChange(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    // The width the caption of `item` needs, indentation included.
    int PageTreeWidth(const QTreeWidgetItem* item) const;
    // Keeps the function list at least as wide as its widest caption.
    void FitPageTree(const QTreeWidgetItem* added);
    void SelectQuietly(QTreeWidgetItem* item);

    QTreeWidget* m_PageTree = nullptr;
    QWidget* m_PagePanel = nullptr;
    QWidget* m_LinkPanel = nullptr;
    TBannerScroll* m_LinkScroll = nullptr;
    QSplitter* m_Splitter = nullptr;
    int m_WidestPage = 0;
    bool m_ListMoved = false;   // the user has dragged the list's edge
    QLabel* m_WaitLabel = nullptr;
    std::map<int, TModule*> m_Banners;
    TModule* m_CurrentBanner = nullptr;
    TModule* m_DefaultBanner = nullptr;
    std::vector<std::unique_ptr<TModuleDummy>> m_Categories;
    bool m_Changing = false;
};

// Creates every configuration page, owned by the host, and files it in the
// host's page tree; also creates and registers the link state banner.
void BuildPageTree(TModuleFrame& host);
