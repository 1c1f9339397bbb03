// The console's configuration file: the discovery filter's settings and the
// list of the devices in the tree, saved as XML and loaded back by hand.
// Loading restores the discovery settings and the filters only; the device
// list in the file is never read.
#pragma once

#include "FilterForm.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace Intp {
class TDevice;
}

namespace ConfigFile {

// The file dialogs' defaults.
QString DefaultFileName();     // "Config.xml"
QString OpenFilter();
QString SaveFilter();
QString TextLoadFailed();      // "Failed to load config"
// Entries past the filter's cap that a load left out.
QString TextEntriesRefused(size_t refused);

// A file larger than this is refused before it is parsed.
constexpr qint64 MaxConfigFileBytes = 32 << 20;
// At most this many unicast entries, and as many local networks, are taken
// from a file (the filter's own cap on its list); the rest is refused.
constexpr size_t MaxLoadedEntries = Filter::MaxRangeEntries;
// A file nested deeper than this (the document element counting 1), one with
// a start tag of more attributes than this, or one with a document type
// declaration fails to load. A configuration nests 3 deep and its elements
// carry at most 2 attributes.
constexpr int MaxConfigDepth = 64;
constexpr int MaxConfigAttributes = 16;
// A value element's text longer than this reads as a text that does not parse.
constexpr qsizetype MaxValueTextLength = 256;

// Writes the settings and the devices (in the given order) to `path`. The
// file is replaced only once it has been written whole: on any failure the
// old file stays as it was, false is returned and `error` (when given) says
// why.
bool SaveConfigFile(const QString& path, const Filter::TFilterSettings& settings,
                    const std::vector<Intp::TDevice*>& devices, QString* error = nullptr);

// Reads the discovery settings and filters of `path` in one streaming pass.
// False when the file cannot be read, is larger than MaxConfigFileBytes, is
// beyond the markup limits above, is not well-formed XML, or `cancel` (when
// given) was set during the read; `out` is then untouched. When the file has no
// Discovery element, `out` is untouched too and `hasDiscovery` (when given)
// is set false; otherwise `out` is replaced by what the file holds, starting
// from the custom method with no entries: unusable filter addresses, invalid
// masks, repeated unicast addresses and a method outside 0 to 2 are passed
// over; entries past MaxLoadedEntries are counted in `refused`.
bool LoadConfigFile(const QString& path, Filter::TFilterSettings& out, bool* hasDiscovery = nullptr,
                    size_t* refused = nullptr, const std::atomic<bool>* cancel = nullptr);

// The Save Config action: asks for a file name (nothing on cancel), writes
// the filter's applied settings and the devices, and shows an error box
// when the file cannot be written. True when a file was written.
bool RunSaveConfig(const Filter::TFilterServer& filter, const std::vector<Intp::TDevice*>& devices);

// The Load Config action. Start asks for a file and reads it on a thread of
// its own, so that the window stays usable however long a file takes; the
// result comes back on the window thread: a file that cannot be read or
// parsed shows "Failed to load config" and changes nothing; otherwise the
// settings go to the filter dialog (TFilterForm::LoadSettings), entries past
// the cap are reported in an error box, and `loaded` runs (discovery should
// run now). Start answers false, and does nothing more, when the dialog is
// cancelled or a load is still running. Destroying the loader stops a
// running read and waits for its thread; nothing is reported then.
class TConfigLoad final : public QObject {
public:
    explicit TConfigLoad(TFilterForm& filter, QObject* parent = nullptr);
    ~TConfigLoad() override;

    bool Start(std::function<void()> loaded);
    bool IsRunning() const { return m_Thread.joinable(); }

private:
    void Finish(bool ok, bool hasDiscovery, size_t refused, Filter::TFilterSettings settings);

    TFilterForm& m_Filter;
    std::function<void()> m_Loaded;
    std::atomic<bool> m_Cancel{false};
    std::thread m_Thread;
};

// The same action run to its end: starts a TConfigLoad and runs the window's
// events until its result is in. True when the file was loaded (discovery
// should run now).
bool RunLoadConfig(TFilterForm& filter);

} // namespace ConfigFile
